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

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace pipeline::format {

// What a conversion reads into or writes from; none for the directives that
// take no argument ("%%", "%*lf").
enum class Type : std::uint8_t { none, a_double, a_float, an_int, a_text, a_number_text };

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
inline constexpr std::size_t max_run = 0xfff; // characters of one step

// What a call needs at run time.
struct Plan {
    std::array<Step, max_steps> steps{};
    std::uint8_t step_count = 0;

    constexpr std::span<const Step> used() const { return {steps.data(), step_count}; }
};

// A directive of a format, after its percent sign.
struct Directive {
    std::string_view text;
    Step::Kind kind;
    Type type;
};
// Returned by value: under the sanitizers, GCC 12 cannot evaluate a check of
// a reference into a table of static storage while it parses a format.
constexpr std::array<Directive, 7> directives(bool scanning)
{
    if (scanning)
        return {{{"%", Step::percent, Type::none},          {"*lf", Step::check_double, Type::none},
                 {"lf", Step::read_double, Type::a_double}, {"f", Step::read_float, Type::a_float},
                 {"d", Step::read_decimal, Type::an_int},   {"i", Step::read_integer, Type::an_int},
                 {"s", Step::read_word, Type::a_text}}};
    return {{{"%", Step::percent, Type::none},          {".1f", Step::write_fixed_1, Type::a_double},
             {"lf", Step::write_fixed, Type::a_double}, {"f", Step::write_fixed, Type::a_double},
             {"d", Step::write_int, Type::an_int},      {"i", Step::write_int, Type::an_int},
             {"s", Step::write_text, Type::a_text}}};
}

// The plan of a format for arguments of the given types, and why the text is
// no format of the line layer or does not fit them (nullptr when it does).
struct Parsed {
    Plan plan;
    const char* error = nullptr;
    std::span<const Type> given;
    std::size_t conversions = 0;
    std::size_t covered = 0; // characters of the text the steps cover

    // A step covering the text up to `end`, converting an argument of this type.
    constexpr void add(Step::Kind kind, std::size_t end, Type type = Type::none)
    {
        if (type != Type::none) {
            // A "%lf" (or a printed "%f") whose argument is a NumberText is a step of its own.
            const Type t = conversions < given.size() ? given[conversions] : Type::none;
            ++conversions;
            if (t == Type::a_number_text && (kind == Step::read_double || kind == Step::write_fixed)) {
                kind = kind == Step::read_double ? Step::read_number : Step::write_number;
                type = t;
            }
            if (t != type && !error)
                error = t == Type::none ? "the conversions do not match the arguments"
                                        : "a conversion does not match its argument's type";
        }
        if (end - covered > max_run)
            error = "literal text too long";
        else if (plan.step_count == max_steps)
            error = "too many steps";
        else
            plan.steps[plan.step_count++] = Step(kind, end - covered);
        covered = end;
    }
    // One more literal character: the last step grows when it is a run of this kind.
    constexpr void add_literal(Step::Kind kind)
    {
        Step* last = plan.step_count > 0 ? &plan.steps[plan.step_count - 1u] : nullptr;
        if (last && last->kind() == kind && last->length() < max_run) {
            ++last->code;
            ++covered;
        } else {
            add(kind, covered + 1);
        }
    }
};

constexpr bool is_format_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A scan matches a run of literal characters one by one, up to the first that
// differs, and skips any run of blanks of the format; every directive starting
// with % skips the blanks first, a conversion by itself (its step covers the
// blanks before it), "%%" by a step of blanks.
constexpr Parsed parse(std::string_view format, bool scanning, std::span<const Type> given)
{
    Parsed p;
    p.given = given;
    bool blanks = false; // scan: blanks of the format not yet covered
    for (std::size_t i = 0; i < format.size() && !p.error; ++i) {
        if (scanning && is_format_blank(format[i])) {
            blanks = true;
            continue;
        }
        std::optional<Directive> d;
        if (format[i] == '%') {
            for (const Directive& known : directives(scanning))
                if (!d && format.substr(i + 1).starts_with(known.text))
                    d = known;
            if (!d) {
                p.error = "unsupported conversion";
                break;
            }
        }
        if (scanning && (d ? d->kind == Step::percent : blanks))
            p.add(Step::skip_blanks, i);
        blanks = false;
        if (d) {
            i += d->text.size();
            p.add(d->kind, i + 1, d->type);
        } else {
            p.add_literal(scanning ? Step::match : Step::literal);
        }
    }
    if (blanks)
        p.add(Step::skip_blanks, format.size());
    if (p.conversions != given.size() && !p.error)
        p.error = "the conversions do not match the arguments";
    return p;
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
    else {
        static_assert(scanning ? std::is_same_v<T, std::string> : std::is_convertible_v<const T&, std::string_view>,
                      "scan reads into double, NumberText, float, int or std::string; print writes those or text");
        return Type::a_text;
    }
}

template <bool scanning, class... T>
constexpr Parsed parse(std::string_view format)
{
    const std::array<Type, sizeof...(T)> given{type_for<scanning, T>()...};
    return parse(format, scanning, given);
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
        const Parsed parsed = parse<scanning, T...>(text_);
        if (parsed.error)
            format_does_not_fit_its_arguments(parsed.error);
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
