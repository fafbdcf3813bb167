#include "tests/common/backend_compare.hpp"

#include "common/fast_input.hpp"
#include "common/fast_output.hpp"
#include "common/format_compose.hpp"
#include "common/stdio_stream.hpp"

#include <bit>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace equivalence {

namespace {

using pipeline::NumberText;

constexpr ScanFormat scans[] = {
    {"%lf", "d"},
    {"%lf\n", "d"},
    {"%lf %lf %lf", "ddd"},
    {"%lf %lf %lf\n", "ddd"},
    {"%d %d %d", "iii"},
    {"%d %d %d\n", "iii"},
    {"%lf %lf %lf %lf %lf %lf %d %d %d", "ddddddiii"},
    {"%lf %lf %lf %*lf %*lf %*lf %d %d %d", "dddiii"},
    {"%lf %lf %lf %*lf %*lf %*lf %d %d %d", "nnniii"},
    {"%lf\n", "n"},
    {"%lf %lf", "nd"},
    {"%*lf\n", ""},
    {"%lf%*lf", "d"},
    {"%dx%dx%lf", "iid"},
    {"%d,%d,%d", "iii"},
    {"%i,%i", "ii"},
    {"%i", "i"},
    {"%d", "i"},
    {"%f", "f"},
    {"%s", "s"},
    {"element vertex %d\n", "i"},
    {"%d/%d", "ii"},
    {" %lf%% x", "d"},
    {"%f %s %i", "fsi"},
};

constexpr PrintFormat prints[] = {
    {"%lf", "d"},
    {"%lf\n ", "d"},
    {"%.1f", "d"},
    {"%f|%d|%i", "dii"},
    {"%ix%ix%.1f\n", "iid"},
    {"GRILLE(%d,%d)=%lf;\n", "iid"},
    {"%lf%% de points vides", "d"},
    {"%s: %d %lf %.1f %%\n", "sidd"},
};

std::string quote(std::string_view text)
{
    std::string q = "\"";
    for (const unsigned char c : text) {
        char shown[8];
        std::snprintf(shown, sizeof shown, c >= 0x20 && c < 0x7f && c != '"' && c != '\\' ? "%c" : "\\x%02x", c);
        q += shown;
    }
    return q + "\"";
}

// One target of a scan, of each kind, starting from a value that no
// conversion gives, so that a target left alone shows.
struct Target {
    double d = -777.25;
    float f = -777.25f;
    int i = -777;
    std::string s = "<unset>";
    NumberText n;
    std::string n_printed; // what "%lf" writes of n, by the backend that read it
    Target() { n.hold_value(-777.25); }
    void* of(char kind)
    {
        switch (kind) {
        case 'd': return &d;
        case 'f': return &f;
        case 'i': return &i;
        case 'n': return &n;
        default: return &s;
        }
    }
    std::string text(char kind) const
    {
        switch (kind) {
        case 'd': return describe(d);
        case 'f': return describe(f); // exact as a double
        case 'i': return std::to_string(i);
        case 'n': return describe(n.value()) + "=" + n_printed;
        default: return quote(s);
        }
    }
};

// The log line of one scan: its format, its count and its targets.
std::string scanned(const ScanFormat& format, int count, const Target* t)
{
    std::string line = "scan " + quote(format.text) + ": count " + std::to_string(count);
    for (int k = 0; format.targets[k]; ++k)
        line += ' ' + t[k].text(format.targets[k]);
    return line + '\n';
}

// The plan of a format of the tables, which must fit its argument letters as
// the compiler makes the programs' formats fit theirs.
pipeline::format::Plan checked_plan(const char* text, const char* kinds, bool scanning)
{
    using pipeline::format::Type;
    std::vector<Type> given;
    for (const char* k = kinds; *k; ++k)
        given.push_back(*k == 'd' ? Type::a_double
                        : *k == 'f' ? Type::a_float
                        : *k == 'i' ? Type::an_int
                        : *k == 'n' ? Type::a_number_text
                                    : Type::a_text);
    const auto parsed = pipeline::format::parse(text, scanning, given);
    if (parsed.error)
        throw std::logic_error(std::string("format table: \"") + text + "\": " + parsed.error);
    return parsed.plan;
}

template <class In>
std::string scan_with(In& in, const ScanFormat& format)
{
    using Out = std::conditional_t<std::is_same_v<In, pipeline::stdio_backend::Input>, pipeline::stdio_backend::Output,
                                   pipeline::fast_backend::Output>;
    Target t[9];
    void* list[9] = {};
    for (int k = 0; format.targets[k]; ++k)
        list[k] = t[k].of(format.targets[k]);
    const int count = pipeline::compose::scan(in, format.text, checked_plan(format.text, format.targets, true), list);
    for (int k = 0; format.targets[k]; ++k) {
        auto out = Out::in_memory();
        out.write_number(t[k].n);
        t[k].n_printed = out.memory_text();
    }
    return scanned(format, count, t);
}

// The log of the actions, one line each, ending with what is left.
template <class In>
std::string run(In& in, std::span<const Action> actions)
{
    std::string log;
    for (const Action& a : actions) {
        switch (a.step) {
        case Step::scan: log += scan_with(in, scans[a.arg % std::size(scans)]); break;
        case Step::read_line: {
            std::string line = "<unset>";
            const bool got = in.read_line(line, a.arg % 8 == 0 ? std::string::npos : a.arg % 8);
            log += "read_line " + std::to_string(a.arg % 8) + (got ? ": true " : ": false ") + quote(line) + '\n';
            break;
        }
        case Step::at_end: log += in.at_end() ? "at_end: true\n" : "at_end: false\n"; break;
        case Step::rewind:
            in.rewind();
            log += "rewind\n";
            break;
        case Step::read_bytes: {
            std::vector<char> bytes(a.arg % 16);
            const std::size_t n = in.read_bytes(bytes);
            log += "read_bytes " + std::to_string(bytes.size()) + ": " + quote({bytes.data(), n}) + '\n';
            break;
        }
        }
    }
    std::string rest, line;
    while (in.read_line(line, std::string::npos))
        rest += line;
    return log + "rest: " + quote(rest) + '\n';
}

std::string difference(const std::string& what, const std::string& name_a, const std::string& a,
                       const std::string& name_b, const std::string& b)
{
    return a == b ? "" : what + ":\n" + name_a + ":\n" + a + "\n" + name_b + ":\n" + b;
}

} // namespace

std::span<const ScanFormat> scan_formats()
{
    return scans;
}

std::span<const PrintFormat> print_formats()
{
    return prints;
}

std::string describe(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%016llx(%a)",
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(v)), v);
    return text;
}

std::string reader_difference(std::string_view text, std::span<const Action> actions, std::size_t piece)
{
    auto reference = pipeline::stdio_backend::Input::over_text(text);
    auto whole = pipeline::fast_backend::Input::over_text(text);
    auto pieces = pipeline::fast_backend::Input::over_text_in_pieces(text, piece);
    const std::string expected = run(reference, actions);
    const std::string why = difference("on " + quote(text), "stdio", expected, "fast", run(whole, actions));
    return why.empty() ? difference("on " + quote(text), "stdio", expected,
                                    "fast in pieces of " + std::to_string(piece), run(pieces, actions))
                       : why;
}

std::string whole_scan_difference(std::string_view text, const ScanFormat& format)
{
    Target t[9];
    std::vector<std::vector<char>> words(9, std::vector<char>(text.size() + sizeof "<unset>"));
    void* args[9] = {};
    for (int k = 0; format.targets[k]; ++k) {
        std::strcpy(words[k].data(), "<unset>");
        const char kind = format.targets[k];
        args[k] = kind == 's' ? words[k].data() : kind == 'n' ? &t[k].d : t[k].of(kind);
    }
    std::string copy(text);
    std::FILE* file = fmemopen(copy.data(), copy.size(), "r");
    if (!file)
        return "fmemopen failed";
    const int count = std::fscanf(file, format.text, args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                                  args[7], args[8]);
    for (int k = 0; format.targets[k]; ++k) { // "%lf" of a NumberText is printf's text of the double read
        char digits[400];
        std::snprintf(digits, sizeof digits, "%lf", t[k].d);
        t[k].s = words[k].data();
        t[k].n.hold_value(t[k].d);
        t[k].n_printed = digits;
    }
    std::string rest;
    for (int c; (c = std::fgetc(file)) != EOF;)
        rest.push_back(static_cast<char>(c));
    std::fclose(file);
    auto composed = pipeline::stdio_backend::Input::over_text(text);
    const Action scan_once[] = {{Step::scan, static_cast<std::uint8_t>(&format - scans)}};
    return difference("on " + quote(text), "fscanf", scanned(format, count, t) + "rest: " + quote(rest) + '\n',
                      "composed", run(composed, scan_once));
}

std::string print_difference(const PrintFormat& format, double d, int i, std::string_view s)
{
    using Value = std::variant<std::monostate, double, int, std::string_view, const NumberText*>;
    std::vector<Value> values;
    for (const char* k = format.values; *k; ++k)
        values.push_back(*k == 'd' ? Value(d) : *k == 'i' ? Value(i) : Value(s));
    auto reference = pipeline::stdio_backend::Output::in_memory();
    auto fast = pipeline::fast_backend::Output::in_memory();
    const auto plan = checked_plan(format.text, format.values, false);
    pipeline::compose::print(reference, format.text, plan, values.data());
    pipeline::compose::print(fast, format.text, plan, values.data());
    return difference("format " + quote(format.text) + " with " + describe(d) + ", " + std::to_string(i) + ", " +
                          quote(s),
                      "stdio", quote(reference.memory_text()), "fast", quote(fast.memory_text()));
}

} // namespace equivalence
