// Whole scanf and printf format texts composed from one-directive primitives,
// with glibc's rules for counting, stopping and skipping blanks.
//
// An input stream `In` supplies, each returning 1 when it converted, 0 on a
// matching failure and fin_de_fichier when the input ended first, and each
// skipping the leading blanks itself:
//   convert_double(double&) "%lf", convert_float(float&) "%f",
//   convert_decimal(int&) "%d", convert_integer(int&) "%i",
//   convert_word(std::string&) "%s", check_double() "%*lf" (a number read
//   and dropped: it needs no conversion, and counts for nothing);
// and skip_blanks() (a blank of the format) and match_char(c) (a literal
// character: 1 taken, 0 differs and left unread, fin_de_fichier at the end).
//
// An output stream `Out` supplies write_fixed(value, decimals) ("%lf" with 6,
// "%.1f" with 1), write_int(value) and write_bytes(bytes).
//
// Both backends of Reader and Writer are driven by these same templates, so
// that what differs between them is only the primitives. A format text is
// taken apart once into a list of steps, kept in a small cache: the programs
// use a handful of formats, each millions of times.
#pragma once

#include "line_io.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pipeline::compose {

[[noreturn]] inline void bad_format(std::string_view format, const char* why)
{
    throw std::logic_error(std::string("format \"") + std::string(format) + "\": " + why);
}

inline bool is_format_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What a conversion reads into or writes from (its count is what matters).
enum Type : std::uint8_t { a_double, a_float, an_int, a_text };

struct Step {
    enum Kind : std::uint8_t {
        skip_blanks,  // scan: a run of blanks of the format
        match,        // scan: a literal character
        literal,      // print: the bytes [from, from + length) of the format
        read_double,  // scan "%lf"
        read_float,   // scan "%f"
        read_decimal, // scan "%d"
        read_integer, // scan "%i"
        read_word,    // scan "%s"
        check_double, // scan "%*lf"
        write_fixed,  // print "%lf", "%f" (6 decimals), "%.1f" (1 decimal)
        write_int,    // print "%d", "%i"
        write_text,   // print "%s"
    };
    Kind kind;
    char c = 0;            // match: the character; write_fixed: the decimals
    std::uint16_t from = 0; // literal
    std::uint32_t length = 0;
};

struct Parsed {
    std::string text;
    bool scanning = false;
    std::vector<Step> steps;
    std::vector<Type> types; // one per conversion
};

inline void parse_scan(std::string_view format, Parsed& p)
{
    bool skip_space = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (is_format_blank(c)) {
            skip_space = true;
            continue;
        }
        const bool percent = c == '%' && i + 1 < format.size() && format[i + 1] == '%';
        if (c != '%' || percent) {
            // A literal character; "%%" is a percent sign that, like every
            // directive starting with %, first skips the blanks.
            if (skip_space || percent)
                p.steps.push_back({Step::skip_blanks});
            skip_space = false;
            i += percent ? 1 : 0;
            p.steps.push_back({Step::match, c});
            continue;
        }
        skip_space = false; // every conversion skips the blanks itself
        const std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("*lf")) {
            p.steps.push_back({Step::check_double});
            i += 3;
        } else if (conv.starts_with("lf")) {
            p.steps.push_back({Step::read_double});
            p.types.push_back(a_double);
            i += 2;
        } else if (conv.starts_with("f")) {
            p.steps.push_back({Step::read_float});
            p.types.push_back(a_float);
            i += 1;
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            p.steps.push_back({conv[0] == 'd' ? Step::read_decimal : Step::read_integer});
            p.types.push_back(an_int);
            i += 1;
        } else if (conv.starts_with("s")) {
            p.steps.push_back({Step::read_word});
            p.types.push_back(a_text);
            i += 1;
        } else {
            bad_format(format, "unsupported conversion");
        }
    }
    if (skip_space)
        p.steps.push_back({Step::skip_blanks});
}

inline void parse_print(std::string_view format, Parsed& p)
{
    if (format.size() > UINT16_MAX)
        bad_format(format.substr(0, 40), "format too long");
    std::size_t literal = 0;
    auto flush_literal = [&](std::size_t end) {
        if (end > literal)
            p.steps.push_back({Step::literal, 0, static_cast<std::uint16_t>(literal),
                               static_cast<std::uint32_t>(end - literal)});
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        flush_literal(i);
        const std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("%")) {
            p.steps.push_back({Step::literal, 0, static_cast<std::uint16_t>(i + 1), 1});
            i += 1;
        } else if (conv.starts_with("lf") || conv.starts_with("f") || conv.starts_with(".1f")) {
            const bool one = conv[0] == '.';
            p.steps.push_back({Step::write_fixed, static_cast<char>(one ? 1 : 6)});
            p.types.push_back(a_double);
            i += one ? 3 : (conv[0] == 'l' ? 2 : 1);
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            p.steps.push_back({Step::write_int});
            p.types.push_back(an_int);
            i += 1;
        } else if (conv.starts_with("s")) {
            p.steps.push_back({Step::write_text});
            p.types.push_back(a_text);
            i += 1;
        } else {
            bad_format(format, "unsupported conversion");
        }
        literal = i + 1;
    }
    flush_literal(format.size());
}

// Whether a cached format is this one, compared eight bytes at a time.
inline bool same_text(const std::string& kept, std::string_view format)
{
    const std::size_t n = format.size();
    if (kept.size() != n)
        return false;
    const char* a = kept.data();
    const char* b = format.data();
    if (n < 8) {
        for (std::size_t k = 0; k < n; ++k)
            if (a[k] != b[k])
                return false;
        return true;
    }
    auto word = [](const char* p) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, sizeof w);
        return w;
    };
    for (std::size_t k = 0; k + 8 <= n; k += 8)
        if (word(a + k) != word(b + k))
            return false;
    return word(a + n - 8) == word(b + n - 8); // the last bytes, overlapping
}

// The steps of a format taken apart now, or found in the cache.
inline const Parsed& parsed_slowly(std::string_view format, bool scanning)
{
    constexpr std::size_t slots = 32;
    thread_local std::array<Parsed, slots> cache;
    thread_local std::size_t next = 0;
    for (const Parsed& p : cache)
        if (p.scanning == scanning && !p.text.empty() && same_text(p.text, format))
            return p;
    Parsed fresh;
    fresh.text = std::string(format);
    fresh.scanning = scanning;
    if (scanning)
        parse_scan(format, fresh);
    else
        parse_print(format, fresh);
    Parsed& slot = cache[next];
    next = (next + 1) % slots;
    slot = std::move(fresh);
    return slot;
}

// The steps of a format. A program's loop uses a few formats in turn, mostly
// literal texts at fixed addresses: a small table indexed by the address
// remembers the last one seen there (its text is compared all the same).
inline const Parsed& parsed(std::string_view format, bool scanning)
{
    constexpr std::size_t slots = 16;
    thread_local const Parsed* seen[2][slots] = {};
    const std::size_t slot = (reinterpret_cast<std::uintptr_t>(format.data()) >> 2) % slots;
    const Parsed*& here = seen[scanning ? 1 : 0][slot];
    if (here && same_text(here->text, format))
        return *here;
    here = &parsed_slowly(format, scanning);
    return *here;
}

template <class Variant>
void check_count(std::string_view format, const Parsed& p, std::span<Variant> given)
{
    if (p.types.size() != given.size())
        bad_format(format, "the conversions do not match the arguments");
}

// The argument of a conversion, which must be of its type.
template <class T, class Variant>
auto& argument(std::string_view format, Variant& given)
{
    auto* p = std::get_if<T>(&given);
    if (!p)
        bad_format(format, "a conversion does not match its argument's type");
    return *p;
}

template <class In, class Target>
int scan(In& in, std::string_view format, std::span<Target> targets)
{
    if (format.empty()) {
        if (!targets.empty())
            bad_format(format, "the conversions do not match the arguments");
        return 0;
    }
    const Parsed& p = parsed(format, true);
    check_count(format, p, targets);
    int done = 0;
    // Ends the scan on a failed directive: the count so far, or EOF when the
    // input ended before anything was converted.
    auto stop = [&](int result) { return result == fin_de_fichier && done == 0 ? fin_de_fichier : done; };
    std::size_t next = 0;
    for (const Step& step : p.steps) {
        int r = 1;
        switch (step.kind) {
        case Step::skip_blanks: in.skip_blanks(); continue;
        case Step::match: r = in.match_char(step.c); break;
        case Step::read_double: r = in.convert_double(*argument<double*>(format, targets[next++])); break;
        case Step::read_float: r = in.convert_float(*argument<float*>(format, targets[next++])); break;
        case Step::read_decimal: r = in.convert_decimal(*argument<int*>(format, targets[next++])); break;
        case Step::read_integer: r = in.convert_integer(*argument<int*>(format, targets[next++])); break;
        case Step::read_word: r = in.convert_word(*argument<std::string*>(format, targets[next++])); break;
        case Step::check_double: r = in.check_double(); break;
        default: break;
        }
        if (r != 1)
            return stop(r);
        if (step.kind != Step::match && step.kind != Step::check_double)
            ++done;
    }
    return done;
}

template <class Out, class Value>
void print(Out& out, std::string_view format, std::span<const Value> values)
{
    if (format.empty()) {
        if (!values.empty())
            bad_format(format, "the conversions do not match the arguments");
        return;
    }
    const Parsed& p = parsed(format, false);
    check_count(format, p, values);
    std::size_t next = 0;
    for (const Step& step : p.steps) {
        switch (step.kind) {
        case Step::literal: out.write_bytes(format.substr(step.from, step.length)); break;
        case Step::write_fixed: out.write_fixed(argument<double>(format, values[next++]), step.c); break;
        case Step::write_int: out.write_int(argument<int>(format, values[next++])); break;
        case Step::write_text: out.write_bytes(argument<std::string_view>(format, values[next++])); break;
        default: break;
        }
    }
}

} // namespace pipeline::compose
