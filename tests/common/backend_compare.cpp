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
using Value = std::variant<std::monostate, double, int, std::string_view, const NumberText*>;

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
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            q += '\\';
            q += c;
        } else if (u >= 0x20 && u < 0x7f) {
            q += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            q += hex;
        }
    }
    return q + "\"";
}

// What "%lf" writes of a NumberText, by the backend of the input that read it.
template <class In>
std::string printed(const NumberText& n, const In&)
{
    using Out = std::conditional_t<std::is_same_v<In, pipeline::stdio_backend::Input>, pipeline::stdio_backend::Output,
                                   pipeline::fast_backend::Output>;
    auto out = Out::in_memory();
    out.write_number(n);
    return out.memory_text();
}

// What one scan did: its count and every target, which starts from a value
// that no conversion gives, so that a target left alone shows.
struct Targets {
    double d[9];
    float f[9];
    int i[9];
    std::string s[9];
    NumberText n[9];
    std::string n_printed[9]; // set once the scan is done
    Targets()
    {
        for (int k = 0; k < 9; ++k) {
            d[k] = -777.25;
            f[k] = -777.25f;
            i[k] = -777;
            s[k] = "<unset>";
            n[k].hold_value(-777.25);
        }
    }
    std::string describe_with(int count, const char* kinds) const
    {
        std::string out = "count " + std::to_string(count);
        for (int k = 0; kinds[k]; ++k) {
            out += ' ';
            switch (kinds[k]) {
            case 'd': out += equivalence::describe(d[k]); break;
            case 'f': out += equivalence::describe(f[k]); break; // exact as a double
            case 'i': out += std::to_string(i[k]); break;
            case 'n': out += equivalence::describe(n[k].value()) + "=" + n_printed[k]; break;
            default: out += quote(s[k]); break;
            }
        }
        return out;
    }
};

using pipeline::format::Type;

Type type_of(char kind)
{
    switch (kind) {
    case 'd': return Type::a_double;
    case 'f': return Type::a_float;
    case 'i': return Type::an_int;
    case 'n': return Type::a_number_text;
    default: return Type::a_text;
    }
}

// The plan of a format of the tables, which must fit its argument letters as
// the compiler makes the programs' formats fit theirs.
pipeline::format::Plan checked_plan(const char* text, const char* kinds, bool scanning)
{
    std::vector<Type> given;
    for (const char* k = kinds; *k; ++k)
        given.push_back(scanning ? type_of(*k) : (*k == 'd' ? Type::a_double : *k == 'i' ? Type::an_int : Type::a_text));
    auto plan = scanning ? pipeline::format::plan_scan(text) : pipeline::format::plan_print(text);
    if (const char* why = pipeline::format::fit(plan, given))
        throw std::logic_error(std::string("format table: \"") + text + "\": " + why);
    return plan.plan;
}

template <class In>
std::string scan_with(In& in, const ScanFormat& format)
{
    Targets t;
    std::vector<void*> list;
    for (int k = 0; format.targets[k]; ++k) {
        switch (format.targets[k]) {
        case 'd': list.push_back(&t.d[k]); break;
        case 'f': list.push_back(&t.f[k]); break;
        case 'i': list.push_back(&t.i[k]); break;
        case 'n': list.push_back(&t.n[k]); break;
        default: list.push_back(&t.s[k]); break;
        }
    }
    const auto plan = checked_plan(format.text, format.targets, true);
    const int count = pipeline::compose::scan(in, format.text, plan, list.data());
    for (int k = 0; format.targets[k]; ++k)
        if (format.targets[k] == 'n')
            t.n_printed[k] = printed(t.n[k], in);
    return t.describe_with(count, format.targets);
}

template <class In>
std::string rest_of(In& in)
{
    std::string rest, line;
    while (in.read_line(line, std::string::npos))
        rest += line;
    return rest;
}

template <class In>
std::vector<std::string> run(In& in, std::span<const Action> actions)
{
    std::vector<std::string> log;
    for (const Action& a : actions) {
        switch (a.step) {
        case Step::scan: {
            const ScanFormat& f = scans[a.arg % std::size(scans)];
            log.push_back(std::string("scan ") + quote(f.text) + ": " + scan_with(in, f));
            break;
        }
        case Step::read_line: {
            const std::size_t max = a.arg % 8 == 0 ? std::string::npos : a.arg % 8;
            std::string line = "<unset>";
            const bool got = in.read_line(line, max);
            log.push_back("read_line " + std::to_string(a.arg % 8) + ": " + (got ? "true " : "false ") + quote(line));
            break;
        }
        case Step::at_end: log.push_back(std::string("at_end: ") + (in.at_end() ? "true" : "false")); break;
        case Step::rewind:
            in.rewind();
            log.push_back("rewind");
            break;
        case Step::read_bytes: {
            std::vector<char> bytes(a.arg % 16);
            const std::size_t n = in.read_bytes(bytes);
            log.push_back("read_bytes " + std::to_string(bytes.size()) + ": " +
                          quote(std::string_view(bytes.data(), n)));
            break;
        }
        }
    }
    log.push_back("rest: " + quote(rest_of(in)));
    return log;
}

std::string first_mismatch(const std::string& name_a, const std::vector<std::string>& a, const std::string& name_b,
                           const std::vector<std::string>& b)
{
    for (std::size_t k = 0; k < a.size() || k < b.size(); ++k) {
        const std::string left = k < a.size() ? a[k] : "<nothing>";
        const std::string right = k < b.size() ? b[k] : "<nothing>";
        if (left != right)
            return "step " + std::to_string(k + 1) + ":\n  " + name_a + ": " + left + "\n  " + name_b + ": " + right;
    }
    return {};
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
    const auto expected = run(reference, actions);
    std::string why = first_mismatch("stdio", expected, "fast", run(whole, actions));
    if (why.empty())
        why = first_mismatch("stdio", expected, "fast in pieces of " + std::to_string(piece), run(pieces, actions));
    return why.empty() ? why : "on " + quote(text) + ", " + why;
}

std::string whole_scan_difference(std::string_view text, const ScanFormat& format)
{
    Targets t;
    std::vector<std::vector<char>> words;
    void* args[9] = {};
    for (int k = 0; format.targets[k]; ++k) {
        switch (format.targets[k]) {
        case 'd':
        case 'n': args[k] = &t.d[k]; break;
        case 'f': args[k] = &t.f[k]; break;
        case 'i': args[k] = &t.i[k]; break;
        default:
            words.emplace_back(text.size() + sizeof "<unset>");
            std::strcpy(words.back().data(), "<unset>");
            args[k] = words.back().data();
            break;
        }
    }
    std::string copy(text);
    std::FILE* file = fmemopen(copy.data(), copy.size(), "r");
    if (!file)
        return "fmemopen failed";
    const int count = std::fscanf(file, format.text, args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                                  args[7], args[8]);
    std::size_t w = 0;
    for (int k = 0; format.targets[k]; ++k) {
        if (format.targets[k] == 's')
            t.s[k] = words[w++].data();
        if (format.targets[k] == 'n') { // what "%lf" stored, and printf's text of it
            char digits[400];
            std::snprintf(digits, sizeof digits, "%lf", t.d[k]);
            t.n[k].hold_value(t.d[k]);
            t.n_printed[k] = digits;
        }
    }
    std::string rest;
    for (int c; (c = std::fgetc(file)) != EOF;)
        rest.push_back(static_cast<char>(c));
    std::fclose(file);
    const std::vector<std::string> expected = {std::string("scan ") + quote(format.text) + ": " +
                                                   t.describe_with(count, format.targets),
                                               "rest: " + quote(rest)};

    auto composed = pipeline::stdio_backend::Input::over_text(text);
    const Action scan_once[] = {{Step::scan, static_cast<std::uint8_t>(&format - scans)}};
    const std::string why = first_mismatch("fscanf", expected, "composed", run(composed, scan_once));
    return why.empty() ? why : "on " + quote(text) + ", " + why;
}

std::string print_difference(const PrintFormat& format, double d, int i, std::string_view s)
{
    std::vector<Value> values;
    for (const char* k = format.values; *k; ++k) {
        if (*k == 'd')
            values.emplace_back(d);
        else if (*k == 'i')
            values.emplace_back(i);
        else
            values.emplace_back(s);
    }
    auto reference = pipeline::stdio_backend::Output::in_memory();
    auto fast = pipeline::fast_backend::Output::in_memory();
    const auto plan = checked_plan(format.text, format.values, false);
    pipeline::compose::print(reference, format.text, plan, values.data());
    pipeline::compose::print(fast, format.text, plan, values.data());
    const std::string expected = reference.memory_text();
    const std::string got = fast.memory_text();
    if (expected == got)
        return {};
    return std::string("format ") + quote(format.text) + " with " + describe(d) + ", " + std::to_string(i) + ", " +
           quote(s) + ":\n  stdio: " + quote(expected) + "\n  fast:  " + quote(got);
}

} // namespace equivalence
