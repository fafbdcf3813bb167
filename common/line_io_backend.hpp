// The primitives behind Reader and Writer: one scanf directive or one printf
// conversion at a time. line_io.cpp composes them into whole format texts; a
// backend supplies them together with Reader::Impl and Writer::Impl.
#pragma once

#include "line_io.hpp"

namespace pipeline::backend {

// Each conversion returns 1 when it converted, 0 on a matching failure and
// fin_de_fichier when the input ended first. The conversions skip leading blanks
// themselves, as scanf does.
int convert_double(Reader::Impl& in, double& value);   // "%lf"
int convert_float(Reader::Impl& in, float& value);     // "%f"
int convert_decimal(Reader::Impl& in, int& value);     // "%d"
int convert_integer(Reader::Impl& in, int& value);     // "%i"
int convert_word(Reader::Impl& in, std::string& word); // "%s"
// A blank in a format text: skips every blank, tab and line end there is.
void skip_blanks(Reader::Impl& in);
// A literal character of a format text: 1 when the next character is c (taken),
// 0 when it differs (left unread), fin_de_fichier at the end of the input.
int match_char(Reader::Impl& in, char c);

void write_fixed(Writer::Impl& out, double value, int decimals); // "%lf", "%.1f"
void write_int(Writer::Impl& out, int value);                    // "%d", "%i"
void write_bytes(Writer::Impl& out, std::string_view bytes);

} // namespace pipeline::backend
