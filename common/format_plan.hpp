// A scanf or printf format text taken apart into steps, when the program is
// compiled: Reader::scan and Writer::print take their format as a ScanFormat
// or PrintFormat, whose consteval constructor builds the plan and checks it
// against the types of the arguments, so that a conversion the line layer does
// not know, or one that does not fit its argument, stops the compilation.
//
//   scan  "%lf" (double, or NumberText: a number converted when asked for),
//         "%f" (float), "%d" and "%i" (int), "%s" (word), "%*lf" (a number
//         read and dropped, not counted), "%%", blanks (any run of blanks,
//         tabs and line ends, or none) and literal characters;
//   print "%lf" and "%f" (double or NumberText, six decimals), "%.1f" (double,
//         one decimal), "%d" and "%i" (int), "%s" (text), "%%" and literal text.
//
// The same constexpr functions serve the tests at run time, which drive the
// backends with formats taken from tables.
#pragma once

#include "common/number_text.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace pipeline::format {

// What a conversion reads into or writes from.
enum class Type : std::uint8_t { a_double, a_float, an_int, a_text, a_number_text };

// One step of a plan. A step covers the next `length` characters of the
// format text (a literal run, a conversion and the blanks before it, a run of
// blanks): the steps cover the whole text in order, so that where a step's
// characters start is the sum of the lengths before it. Two bytes a step: the
// plan is built anew on the stack at each call (a constant, but a
// temporary), and kept small.
struct Step {
    enum Kind : std::uint8_t {
        skip_blanks,   // scan: a run of blanks of the format
        match,         // scan: literal characters, matched one by one
        literal,       // print: literal characters
        percent,       // scan: a percent sign, matched; print: written ("%%")
        read_double,   // scan "%lf"
        read_float,    // scan "%f"
        read_decimal,  // scan "%d"
        read_integer,  // scan "%i"
        read_word,     // scan "%s"
        read_number,   // scan "%lf" into a NumberText
        check_double,  // scan "%*lf"
        write_fixed,   // print "%lf", "%f" (6 decimals)
        write_fixed_1, // print "%.1f" (1 decimal)
        write_int,     // print "%d", "%i"
        write_text,    // print "%s"
        write_number,  // print "%lf", "%f" of a NumberText
    };
    static_assert(write_number < 16, "a kind has four bits");
    std::uint16_t code = 0;

    constexpr Step() = default;
    constexpr Step(Kind kind, std::size_t length) : code(static_cast<std::uint16_t>(kind << 12 | length)) {}
    constexpr Kind kind() const { return static_cast<Kind>(code >> 12); }
    constexpr std::size_t length() const { return code & 0xfffu; }
};

// Room for the longest formats of the programs (a rotation matrix: nine
// conversions and their separators).
inline constexpr std::size_t max_steps = 24;
inline constexpr std::size_t max_conversions = 16;
inline constexpr std::size_t max_run = 0xfff; // characters of one step

// What a call needs at run time.
struct Plan {
    std::array<Step, max_steps> steps{};
    std::uint8_t step_count = 0;

    constexpr std::span<const Step> used() const { return {steps.data(), step_count}; }
};

// The plan and what the compiler checks it with.
struct Parsed {
    Plan plan;
    std::array<Type, max_conversions> types{};
    std::array<std::uint8_t, max_conversions> step_of{}; // the step of each conversion
    std::uint8_t conversion_count = 0;
    const char* error = nullptr; // why the text is no format of the line layer
    std::size_t covered = 0;     // characters of the text the steps cover

    // A step covering the text up to `end`.
    constexpr void add(Step::Kind kind, std::size_t end)
    {
        if (end - covered > max_run)
            error = "literal text too long";
        else if (plan.step_count == max_steps)
            error = "too many steps";
        else
            plan.steps[plan.step_count++] = Step(kind, end - covered);
        covered = end;
    }
    constexpr void add(Step::Kind kind, std::size_t end, Type type)
    {
        add(kind, end);
        if (conversion_count == max_conversions) {
            error = "too many conversions";
        } else {
            step_of[conversion_count] = static_cast<std::uint8_t>(plan.step_count - 1u);
            types[conversion_count++] = type;
        }
    }
    // The last step, when it is a run of this kind that can take one more character.
    constexpr Step* growing(Step::Kind kind)
    {
        Step* last = plan.step_count > 0 ? &plan.steps[plan.step_count - 1u] : nullptr;
        return last && last->kind() == kind && last->length() < max_run ? last : nullptr;
    }
};

constexpr bool is_format_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr Parsed plan_scan(std::string_view format)
{
    Parsed p;
    bool skip_space = false;
    for (std::size_t i = 0; i < format.size() && !p.error; ++i) {
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
                p.add(Step::skip_blanks, i);
            // A run of literal characters is matched one by one, up to the
            // first that differs: one step.
            Step* run = skip_space || percent ? nullptr : p.growing(Step::match);
            skip_space = false;
            if (percent) {
                p.add(Step::percent, i + 2);
                ++i;
            } else if (run) {
                ++run->code;
                ++p.covered;
            } else {
                p.add(Step::match, i + 1);
            }
            continue;
        }
        // Every conversion skips the blanks itself: the blanks before it are
        // covered by its step.
        skip_space = false;
        const std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("*lf")) {
            p.add(Step::check_double, (i += 3) + 1);
        } else if (conv.starts_with("lf")) {
            p.add(Step::read_double, (i += 2) + 1, Type::a_double);
        } else if (conv.starts_with("f")) {
            p.add(Step::read_float, (i += 1) + 1, Type::a_float);
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            p.add(conv[0] == 'd' ? Step::read_decimal : Step::read_integer, (i += 1) + 1, Type::an_int);
        } else if (conv.starts_with("s")) {
            p.add(Step::read_word, (i += 1) + 1, Type::a_text);
        } else {
            p.error = "unsupported conversion";
        }
    }
    if (skip_space)
        p.add(Step::skip_blanks, format.size());
    return p;
}

constexpr Parsed plan_print(std::string_view format)
{
    Parsed p;
    auto flush_literal = [&](std::size_t end) {
        while (p.covered < end && !p.error)
            p.add(Step::literal, std::min(end, p.covered + max_run));
    };
    for (std::size_t i = 0; i < format.size() && !p.error; ++i) {
        if (format[i] != '%')
            continue;
        flush_literal(i);
        const std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("%")) {
            p.add(Step::percent, (i += 1) + 1);
        } else if (conv.starts_with(".1f")) {
            p.add(Step::write_fixed_1, (i += 3) + 1, Type::a_double);
        } else if (conv.starts_with("lf") || conv.starts_with("f")) {
            p.add(Step::write_fixed, (i += conv[0] == 'l' ? 2 : 1) + 1, Type::a_double);
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            p.add(Step::write_int, (i += 1) + 1, Type::an_int);
        } else if (conv.starts_with("s")) {
            p.add(Step::write_text, (i += 1) + 1, Type::a_text);
        } else {
            p.error = "unsupported conversion";
        }
    }
    flush_literal(format.size());
    return p;
}

// Fits the plan to arguments of these types: a "%lf" (or a printed "%f")
// whose argument is a NumberText becomes a step of its own. Why the format
// does not fit them, or nullptr.
constexpr const char* fit(Parsed& p, std::span<const Type> given)
{
    if (p.error)
        return p.error;
    if (given.size() != p.conversion_count)
        return "the conversions do not match the arguments";
    for (std::size_t k = 0; k < given.size(); ++k) {
        Step& step = p.plan.steps[p.step_of[k]];
        const bool number = step.kind() == Step::read_double || step.kind() == Step::write_fixed;
        if (given[k] == Type::a_number_text && number) {
            step = Step(step.kind() == Step::read_double ? Step::read_number : Step::write_number, step.length());
            p.types[k] = Type::a_number_text;
        }
        if (given[k] != p.types[k])
            return "a conversion does not match its argument's type";
    }
    return nullptr;
}

// The conversion that a scan target (scanning) or a print value calls for.
template <bool scanning, class T>
constexpr Type type_for()
{
    if constexpr (std::is_same_v<T, double> || (!scanning && std::is_same_v<T, float>))
        return Type::a_double;
    else if constexpr (std::is_same_v<T, NumberText>)
        return Type::a_number_text;
    else if constexpr (std::is_same_v<T, float>)
        return Type::a_float;
    else if constexpr (std::is_same_v<T, int>)
        return Type::an_int;
    else if constexpr (scanning) {
        static_assert(std::is_same_v<T, std::string>, "scan reads into double, NumberText, float, int or std::string");
        return Type::a_text;
    } else {
        static_assert(std::is_convertible_v<const T&, std::string_view>,
                      "print writes double, NumberText, float, int or text");
        return Type::a_text;
    }
}

template <bool scanning, class... T>
constexpr const char* fit(Parsed& p)
{
    const std::array<Type, sizeof...(T)> given{type_for<scanning, T>()...};
    return fit(p, given);
}

template <class... T>
constexpr const char* scan_misfit(std::string_view format)
{
    Parsed p = plan_scan(format);
    return fit<true, T...>(p);
}

template <class... T>
constexpr const char* print_misfit(std::string_view format)
{
    Parsed p = plan_print(format);
    return fit<false, T...>(p);
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
    consteval Checked(const char* text) : text_(text)
    {
        Parsed parsed = scanning ? plan_scan(text_) : plan_print(text_);
        if (const char* why = fit<scanning, T...>(parsed))
            format_does_not_fit_its_arguments(why);
        plan_ = parsed.plan;
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
