// Whole scanf and printf formats, run step by step from their plan (see
// format_plan.hpp) with glibc's rules for counting, stopping and skipping
// blanks.
//
// An input stream `In` supplies, each returning 1 when it converted, 0 on a
// matching failure and fin_de_fichier when the input ended first, and each
// skipping the leading blanks itself:
//   convert_real(double&) "%lf", convert_real(float&) "%f",
//   convert_number(NumberText&) "%lf" (a number converted when its value is
//   asked for; also "%*lf", a number read and dropped, never converted, that
//   counts for nothing), convert_whole(int&, base) "%d" (base 10) and "%i"
//   (base 0), convert_word(std::string&) "%s";
// and skip_blanks() (a blank of the format) and match_char(c) (a literal
// character: 1 taken, 0 differs and left unread, fin_de_fichier at the end).
//
// An output stream `Out` supplies write_fixed(value, decimals) ("%lf" with 6,
// "%.1f" with 1), write_number(number) ("%lf" of a NumberText), write_int(value)
// and write_bytes(bytes).
//
// Both backends of Reader and Writer are driven by these same templates, so
// that what differs between them is only the primitives. The plans were
// checked against the arguments when the program was compiled: the targets
// and values are of the types their steps call for.
#pragma once

#include "common/format_plan.hpp"
#include "common/line_io.hpp"

#include <string>
#include <string_view>
#include <variant>

namespace pipeline::compose {

using format::Plan;
using format::Step;

// targets: one address per conversion, of the type its step reads.
template <class In>
int scan(In& in, std::string_view text, const Plan& p, void* const* targets)
{
    int done = 0;
    std::size_t at = 0; // where the step's characters start in the text
    for (const Step step : p.used()) {
        int r = 1;
        switch (step.kind()) {
        case Step::skip_blanks: in.skip_blanks(); break;
        case Step::match:
            for (const char c : text.substr(at, step.length()))
                if ((r = in.match_char(c)) != 1)
                    break;
            break;
        case Step::percent: r = in.match_char('%'); break;
        case Step::read_double: r = in.convert_real(*static_cast<double*>(targets[done])); break;
        case Step::read_float: r = in.convert_real(*static_cast<float*>(targets[done])); break;
        case Step::read_decimal: r = in.convert_whole(*static_cast<int*>(targets[done]), 10); break;
        case Step::read_integer: r = in.convert_whole(*static_cast<int*>(targets[done]), 0); break;
        case Step::read_word: r = in.convert_word(*static_cast<std::string*>(targets[done])); break;
        case Step::read_number: r = in.convert_number(*static_cast<NumberText*>(targets[done])); break;
        case Step::check_double: {
            NumberText dropped;
            r = in.convert_number(dropped);
            break;
        }
        default: break;
        }
        // A failed directive ends the scan: the count before it, or EOF when
        // the input ended before anything was converted.
        if (r != 1)
            return r == fin_de_fichier && done == 0 ? fin_de_fichier : done;
        if (step.kind() >= Step::read_double && step.kind() <= Step::read_number)
            ++done;
        at += step.length();
    }
    return done;
}

// values: one per conversion, holding the type its step writes.
template <class Out, class Value>
void print(Out& out, std::string_view text, const Plan& p, const Value* values)
{
    std::size_t at = 0; // where the step's characters start in the text
    for (const Step step : p.used()) {
        switch (step.kind()) {
        case Step::literal: out.write_bytes(text.substr(at, step.length())); break;
        case Step::percent: out.write_bytes("%"); break;
        case Step::write_fixed: out.write_fixed(*std::get_if<double>(values++), 6); break;
        case Step::write_fixed_1: out.write_fixed(*std::get_if<double>(values++), 1); break;
        case Step::write_int: out.write_int(*std::get_if<int>(values++)); break;
        case Step::write_text: out.write_bytes(*std::get_if<std::string_view>(values++)); break;
        case Step::write_number: out.write_number(**std::get_if<const NumberText*>(values++)); break;
        default: break;
        }
        at += step.length();
    }
}

} // namespace pipeline::compose
