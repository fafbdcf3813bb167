// Whole scanf and printf format texts composed from one-directive primitives,
// with glibc's rules for counting, stopping and skipping blanks.
//
// An input stream `In` supplies, each returning 1 when it converted, 0 on a
// matching failure and fin_de_fichier when the input ended first, and each
// skipping the leading blanks itself:
//   convert_double(double&) "%lf", convert_float(float&) "%f",
//   convert_decimal(int&) "%d", convert_integer(int&) "%i",
//   convert_word(std::string&) "%s";
// and skip_blanks() (a blank of the format) and match_char(c) (a literal
// character: 1 taken, 0 differs and left unread, fin_de_fichier at the end).
//
// An output stream `Out` supplies write_fixed(value, decimals) ("%lf" with 6,
// "%.1f" with 1), write_int(value) and write_bytes(bytes).
//
// Both backends of Reader and Writer are driven by these same templates, so
// that what differs between them is only the primitives.
#pragma once

#include "line_io.hpp"

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace pipeline::compose {

[[noreturn]] inline void bad_format(std::string_view format, const char* why)
{
    throw std::logic_error(std::string("format \"") + std::string(format) + "\": " + why);
}

inline bool is_format_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Number of conversions of a format text ("%%" is a literal percent sign).
inline std::size_t conversions(std::string_view format)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (i + 1 < format.size() && format[i + 1] == '%')
            ++i;
        else
            ++n;
    }
    return n;
}

template <class In, class Target>
int scan(In& in, std::string_view format, std::span<Target> targets)
{
    if (conversions(format) != targets.size())
        bad_format(format, "the conversions do not match the targets");
    int done = 0;
    std::size_t next = 0;
    bool skip_space = false;
    // Ends the scan on a failed directive: the count so far, or EOF when the
    // input ended before anything was converted.
    auto stop = [&](int result) { return result == fin_de_fichier && done == 0 ? fin_de_fichier : done; };

    const std::size_t size = format.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = format[i];
        if (is_format_blank(c)) {
            skip_space = true;
            continue;
        }
        const bool percent = c == '%' && i + 1 < size && format[i + 1] == '%';
        if (c != '%' || percent) {
            // A literal character; "%%" is a percent sign that, like every
            // directive starting with %, first skips the blanks.
            if (skip_space || percent)
                in.skip_blanks();
            skip_space = false;
            i += percent ? 1 : 0;
            const int r = in.match_char(c);
            if (r != 1)
                return stop(r);
            continue;
        }
        skip_space = false;
        Target& target = targets[next++];
        const char kind = i + 1 < size ? format[i + 1] : '\0';
        int r = 0;
        if (kind == 'l' && i + 2 < size && format[i + 2] == 'f') {
            auto* p = std::get_if<double*>(&target);
            if (!p)
                bad_format(format, "%lf needs a double");
            r = in.convert_double(**p);
            i += 2;
        } else if (kind == 'f') {
            auto* p = std::get_if<float*>(&target);
            if (!p)
                bad_format(format, "%f needs a float");
            r = in.convert_float(**p);
            i += 1;
        } else if (kind == 'd' || kind == 'i') {
            auto* p = std::get_if<int*>(&target);
            if (!p)
                bad_format(format, "%d and %i need an int");
            r = kind == 'd' ? in.convert_decimal(**p) : in.convert_integer(**p);
            i += 1;
        } else if (kind == 's') {
            auto* p = std::get_if<std::string*>(&target);
            if (!p)
                bad_format(format, "%s needs a std::string");
            r = in.convert_word(**p);
            i += 1;
        } else {
            bad_format(format, "unsupported conversion");
        }
        if (r != 1)
            return stop(r);
        ++done;
    }
    if (skip_space)
        in.skip_blanks();
    return done;
}

template <class Out, class Value>
void print(Out& out, std::string_view format, std::span<const Value> values)
{
    std::size_t next = 0;
    std::size_t literal = 0;
    auto value = [&]() -> const Value& {
        if (next >= values.size())
            bad_format(format, "more conversions than values");
        return values[next++];
    };
    const std::size_t size = format.size();
    for (std::size_t i = 0; i < size; ++i) {
        if (format[i] != '%')
            continue;
        if (i > literal)
            out.write_bytes(format.substr(literal, i - literal));
        const char kind = i + 1 < size ? format[i + 1] : '\0';
        if (kind == '%') {
            out.write_bytes("%");
            i += 1;
        } else if (kind == 'f' || (kind == 'l' && format.substr(i + 1, 2) == "lf") ||
                   format.substr(i + 1, 3) == ".1f") {
            const auto* v = std::get_if<double>(&value());
            if (!v)
                bad_format(format, "%lf, %f and %.1f need a double");
            const bool one = kind == '.';
            out.write_fixed(*v, one ? 1 : 6);
            i += one ? 3 : (kind == 'l' ? 2 : 1);
        } else if (kind == 'd' || kind == 'i') {
            const auto* v = std::get_if<int>(&value());
            if (!v)
                bad_format(format, "%d and %i need an int");
            out.write_int(*v);
            i += 1;
        } else if (kind == 's') {
            const auto* v = std::get_if<std::string_view>(&value());
            if (!v)
                bad_format(format, "%s needs a text");
            out.write_bytes(*v);
            i += 1;
        } else {
            bad_format(format, "unsupported conversion");
        }
        literal = i + 1;
    }
    if (next != values.size())
        bad_format(format, "more values than conversions");
    if (literal < size)
        out.write_bytes(format.substr(literal));
}

} // namespace pipeline::compose
