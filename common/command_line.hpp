// What every program does with its command line before anything else: the help
// request, the decimal comma of a typed number, and the one-line diagnostics
// written on standard error.
#pragma once

#include "common/line_io.hpp"

#include <string>
#include <string_view>

namespace pipeline {

// True when the only word after the program name is --help, -h or --aide.
bool is_help_request(int argc, const char* const* argv);

// When the command line is a help request, writes `usage` on `screen` and
// says so: the program then ends with status 0 without touching any file.
bool answered_help(int argc, const char* const* argv, Writer& screen, const char* usage);

// The word with its comma taken as the decimal point when the word scans as
// "%i,%i" (an integer, a comma, an integer): "0,35" gives "0.35", "10,5" gives
// "10.5"; any other word, "10,abc" among them, comes back as it is.
std::string decimal_comma(std::string_view word);

// Writes "program : message" and a line end on standard error, as one line
// (line ends within the message become blanks), after flushing what the screen
// holds so that both appear in order.
void diagnose(Writer& screen, std::string_view program, std::string_view message);

// The system's reason for a failed open, read or write, as strerror words it
// ("No space left on device"); "cause inconnue" for the error number 0.
std::string system_reason(int error);

// Diagnoses a file that could not be opened, read or written, with the
// system's reason: diagnose_file(screen, "reliefstat", "impossible d'ouvrir",
// "grille.txt", ENOENT) writes "reliefstat : impossible d'ouvrir grille.txt :
// No such file or directory".
void diagnose_file(Writer& screen, std::string_view program, std::string_view failure, std::string_view file,
                   int error);

} // namespace pipeline
