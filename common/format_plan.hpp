// A scanf or printf format text taken apart into steps, when the program is
// compiled: Reader::scan and Writer::print take their format as a ScanFormat
// or PrintFormat, whose consteval constructor builds the plan and checks it
// against the types of the arguments, so that a conversion the line layer does
// not know, or one that does not fit its argument, stops the compilation.
//
//   scan  "%lf" (double), "%f" (float), "%d" and "%i" (int), "%s" (word),
//         "%*lf" (a number read and dropped, not counted), "%%", blanks (any
//         run of blanks, tabs and line ends, or none) and literal characters;
//   print "%lf" and "%f" (double, six decimals), "%.1f" (double, one decimal),
//         "%d" and "%i" (int), "%s" (text), "%%" and literal text.
//
// The same constexpr functions serve the tests at run time, which drive the
// backends with formats taken from tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace pipeline::format {

// What a conversion reads into or writes from.
enum class Type : std::uint8_t { a_double, a_float, an_int, a_text };

struct Step {
    enum Kind : std::uint8_t {
        skip_blanks,  // scan: a run of blanks of the format
        match,        // scan: the literal characters [from, from + length) of the format
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
    Kind kind = skip_blanks;
    char c = 0;             // write_fixed: the decimals
    std::uint16_t from = 0; // match, literal
    std::uint16_t length = 0;
};

// Room for the longest formats of the programs (a rotation matrix: nine
// conversions and their separators).
inline constexpr std::size_t max_steps = 32;
inline constexpr std::size_t max_conversions = 16;

struct Plan {
    std::array<Step, max_steps> steps{};
    std::array<Type, max_conversions> types{};
    std::uint8_t step_count = 0;
    std::uint8_t conversion_count = 0;
    const char* error = nullptr; // why the text is no format of the line layer

    constexpr std::span<const Step> used() const { return {steps.data(), step_count}; }

    constexpr void add(Step step)
    {
        if (step_count == max_steps)
            error = "too many steps";
        else
            steps[step_count++] = step;
    }
    constexpr void add(Step step, Type type)
    {
        add(step);
        if (conversion_count == max_conversions)
            error = "too many conversions";
        else
            types[conversion_count++] = type;
    }
};

constexpr bool is_format_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr Plan plan_scan(std::string_view format)
{
    Plan p;
    if (format.size() > UINT16_MAX) {
        p.error = "format too long";
        return p;
    }
    bool skip_space = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        const bool was_blank = skip_space;
        if (is_format_blank(c)) {
            skip_space = true;
            continue;
        }
        const bool percent = c == '%' && i + 1 < format.size() && format[i + 1] == '%';
        if (c != '%' || percent) {
            // A literal character; "%%" is a percent sign that, like every
            // directive starting with %, first skips the blanks.
            if (skip_space || percent)
                p.add({Step::skip_blanks});
            skip_space = false;
            i += percent ? 1 : 0;
            // A run of literal characters is matched one by one, up to the
            // first that differs: one step.
            Step* last = p.step_count > 0 ? &p.steps[p.step_count - 1] : nullptr;
            if (!percent && !was_blank && last && last->kind == Step::match && last->from + last->length == i)
                ++last->length;
            else
                p.add({Step::match, 0, static_cast<std::uint16_t>(i), 1});
            continue;
        }
        skip_space = false; // every conversion skips the blanks itself
        const std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("*lf")) {
            p.add({Step::check_double});
            i += 3;
        } else if (conv.starts_with("lf")) {
            p.add({Step::read_double}, Type::a_double);
            i += 2;
        } else if (conv.starts_with("f")) {
            p.add({Step::read_float}, Type::a_float);
            i += 1;
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            p.add({conv[0] == 'd' ? Step::read_decimal : Step::read_integer}, Type::an_int);
            i += 1;
        } else if (conv.starts_with("s")) {
            p.add({Step::read_word}, Type::a_text);
            i += 1;
        } else {
            p.error = "unsupported conversion";
            return p;
        }
    }
    if (skip_space)
        p.add({Step::skip_blanks});
    return p;
}

constexpr Plan plan_print(std::string_view format)
{
    Plan p;
    if (format.size() > UINT16_MAX) {
        p.error = "format too long";
        return p;
    }
    std::size_t literal = 0;
    auto flush_literal = [&](std::size_t end) {
        if (end > literal)
            p.add({Step::literal, 0, static_cast<std::uint16_t>(literal), static_cast<std::uint16_t>(end - literal)});
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        flush_literal(i);
        const std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("%")) {
            p.add({Step::literal, 0, static_cast<std::uint16_t>(i + 1), 1});
            i += 1;
        } else if (conv.starts_with("lf") || conv.starts_with("f") || conv.starts_with(".1f")) {
            const bool one = conv[0] == '.';
            p.add({Step::write_fixed, static_cast<char>(one ? 1 : 6)}, Type::a_double);
            i += one ? 3 : (conv[0] == 'l' ? 2 : 1);
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            p.add({Step::write_int}, Type::an_int);
            i += 1;
        } else if (conv.starts_with("s")) {
            p.add({Step::write_text}, Type::a_text);
            i += 1;
        } else {
            p.error = "unsupported conversion";
            return p;
        }
        literal = i + 1;
    }
    flush_literal(format.size());
    return p;
}

// Why the plan does not fit arguments of these types, or nullptr.
constexpr const char* misfit(const Plan& p, std::span<const Type> given)
{
    if (p.error)
        return p.error;
    if (given.size() != p.conversion_count)
        return "the conversions do not match the arguments";
    for (std::size_t k = 0; k < given.size(); ++k)
        if (given[k] != p.types[k])
            return "a conversion does not match its argument's type";
    return nullptr;
}

// The conversion that a scan target (scanning) or a print value calls for.
template <bool scanning, class T>
constexpr Type type_for()
{
    if constexpr (std::is_same_v<T, double> || (!scanning && std::is_same_v<T, float>))
        return Type::a_double;
    else if constexpr (std::is_same_v<T, float>)
        return Type::a_float;
    else if constexpr (std::is_same_v<T, int>)
        return Type::an_int;
    else if constexpr (scanning) {
        static_assert(std::is_same_v<T, std::string>, "scan reads into double, float, int or std::string");
        return Type::a_text;
    } else {
        static_assert(std::is_convertible_v<const T&, std::string_view>, "print writes double, float, int or text");
        return Type::a_text;
    }
}

template <bool scanning, class... T>
constexpr const char* misfit(const Plan& p)
{
    const std::array<Type, sizeof...(T)> given{type_for<scanning, T>()...};
    return misfit(p, given);
}

template <class... T>
constexpr const char* scan_misfit(std::string_view format)
{
    return misfit<true, T...>(plan_scan(format));
}

template <class... T>
constexpr const char* print_misfit(std::string_view format)
{
    return misfit<false, T...>(plan_print(format));
}

// Not constexpr: reached while compiling, it stops the compilation with the
// reason in the message.
inline void format_does_not_fit_its_arguments(const char* why)
{
    (void)why;
}

// A literal format and its plan, checked against arguments of types T...
template <bool scanning, class... T>
class Checked {
public:
    consteval Checked(const char* text) : text_(text), plan_(scanning ? plan_scan(text_) : plan_print(text_))
    {
        if (const char* why = misfit<scanning, T...>(plan_))
            format_does_not_fit_its_arguments(why);
    }
    constexpr std::string_view text() const { return text_; }
    constexpr const Plan& plan() const { return plan_; }

private:
    std::string_view text_;
    Plan plan_;
};

} // namespace pipeline::format

namespace pipeline {

// The format of a Reader::scan with targets of types T...
template <class... T>
using ScanFormat = format::Checked<true, T...>;

// The format of a Writer::print with values of types T...
template <class... T>
using PrintFormat = format::Checked<false, T...>;

} // namespace pipeline
