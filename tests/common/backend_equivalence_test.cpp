// The fast backend against the C stdio one on many random inputs: texts made of
// the pieces that pipeline files hold (and of the broken ones they may hold),
// random bytes of the characters that numbers are made of, random sequences of
// scans, line reads, byte reads, end tests and rewinds, fed whole and in small
// pieces; and random values printed with the programs' formats.
#include "tests/common/backend_compare.hpp"
#include "common/fast_input.hpp"
#include "common/fixed_text.hpp"
#include "common/line_io.hpp"
#include "common/stdio_stream.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using equivalence::Action;
using equivalence::Step;
using pipeline::Writer;

namespace {

const char* const pieces[] = {
    "1", "-2", "+3", "0.5", "-0.031250", "10000.000000", "1e3", "2E-2", "100ergs", "e", "-", "+", ".", "1.", ".5",
    "inf", "-nan", "nan(12)", "infinity", "INFINITE", "infx", "na", "0x1p3", "0x", "0X1.8P-2", "0x.p", "0xg", "012",
    "0x1A", "08", "-0x", "99999999999", "9223372036854775808", "-9223372036854775809", "18446744073709551616",
    "x", ",", " ", "  ", "\t", "\n", "\r\n", "\v\f", "\n ", "element", "vertex", "element vertex", "abc",
    "1x2x0.5", "200x200x0.500000", "1e", "1e+", "1e-x", "3,25", "255", "1e400", "-1e-400", "4.9e-324",
    "2.2250738585072011e-308", "0.1000000000000000055511151231257827", "3.4028235677973366e+38", "1.17549435e-38",
    "%", "%%", "/", "\xe9", std::string_view("\0", 1).data(), "00000000000000000000000000001",
    "123456789012345678901234567890e-10",
};
// The characters that the conversions look at, for random byte texts.
constexpr std::string_view alphabet = "0123456789+-.eEpPxXaAnNiIfFtTyY \t\n,/%()g";

std::string random_text(std::mt19937& rng, int max_pieces)
{
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> count(0, max_pieces);
    std::string text;
    for (int n = count(rng); n > 0; --n) {
        const char* p = pieces[pick(rng)];
        text += *p ? std::string(p) : std::string(1, '\0');
    }
    return text;
}

std::string random_bytes(std::mt19937& rng, int max_length)
{
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, max_length);
    std::string text;
    for (int n = length(rng); n > 0; --n)
        text += alphabet[pick(rng)];
    return text;
}

std::vector<Action> random_actions(std::mt19937& rng)
{
    std::uniform_int_distribution<int> count(1, 6);
    std::uniform_int_distribution<int> step(0, 9);
    std::uniform_int_distribution<int> arg(0, 255);
    std::vector<Action> actions;
    for (int n = count(rng); n > 0; --n) {
        const int s = step(rng);
        // Mostly scans, as the programs do.
        const Step kind = s < 6 ? Step::scan : static_cast<Step>(s - 5);
        actions.push_back({kind, static_cast<std::uint8_t>(arg(rng))});
    }
    return actions;
}

double random_double(std::mt19937_64& rng)
{
    std::uniform_int_distribution<int> kind(0, 7);
    std::uniform_int_distribution<std::uint64_t> bits;
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_int_distribution<long> whole(-2000000, 2000000);
    switch (kind(rng)) {
    case 0: return std::bit_cast<double>(bits(rng)); // any double, nan and inf included
    case 1: return unit(rng) * std::pow(10.0, exponent(rng));
    case 2: return static_cast<double>(whole(rng)) / 1e6; // what %lf texts read back give
    case 3: return static_cast<double>(whole(rng)) / 128; // ties at six decimals
    case 4: return static_cast<double>(whole(rng)) / 4;   // ties at one decimal
    case 5: return std::ldexp(unit(rng), exponent(rng) * 35); // huge and tiny
    case 6: return std::nextafter(static_cast<double>(whole(rng)) / 20, bits(rng) % 2 ? 1e300 : -1e300);
    default: return unit(rng) * 1e4;
    }
}

} // namespace

// Each trial also scans the text once with the format of its first scan, by
// fscanf and by the stdio backend's composition of one-directive calls.
TEST(BackendEquivalence, ReadersAgreeOnPipelinePiecesAndOnRandomNumberCharacters)
{
    std::mt19937 rng(5150);
    std::uniform_int_distribution<std::size_t> piece(1, 9);
    const auto formats = equivalence::scan_formats();
    for (int trial = 0; trial < 40000; ++trial) {
        std::string text = trial % 2 ? random_text(rng, 8) : random_bytes(rng, 24);
        const auto actions = random_actions(rng);
        ASSERT_EQ(equivalence::reader_difference(text, actions, piece(rng)), "");
        const auto& format = formats[static_cast<std::size_t>(trial) % formats.size()];
        if (std::string_view(format.targets).find('s') != std::string_view::npos)
            std::erase(text, '\0'); // fscanf's word is a C string
        ASSERT_EQ(equivalence::whole_scan_difference(text, format), "");
    }
}

TEST(BackendEquivalence, WritersAgreeOnRandomValues)
{
    std::mt19937_64 rng(77);
    std::uniform_int_distribution<int> any_int(INT_MIN, INT_MAX);
    const double specials[] = {0.0, -0.0, 0.05, 0.25, -0.25, 0.35, 2.5, -0.04, 9.95, 1e300, -1e300,
                               std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                               std::nan(""), -std::nan(""), 1.0 / 128, 0.0000005, 999999.9999995, 10000.0};
    for (const auto& format : equivalence::print_formats()) {
        for (const double d : specials)
            ASSERT_EQ(equivalence::print_difference(format, d, INT_MIN, "texte"), "");
        for (int trial = 0; trial < 20000; ++trial)
            ASSERT_EQ(equivalence::print_difference(format, random_double(rng), any_int(rng), ""), "");
    }
}

TEST(FixedText, IsPrintfForEveryPrecision)
{
    std::mt19937_64 rng(31337);
    char expected[400];
    char got[400];
    for (int trial = 0; trial < 200000; ++trial) {
        const double v = random_double(rng);
        const int decimals = trial % 18;
        std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
        const char* end = pipeline::format_fixed(got, v, decimals);
        ASSERT_EQ(std::string(expected), std::string(static_cast<const char*>(got), end)) << equivalence::describe(v) << " %." << decimals << "f";
    }
}

namespace {

// What "%lf" writes of the double that "%lf" reads from the text, and what
// NumberText::copy_as_lf makes of the text's digits: the same, or nothing for
// more than 9 whole digits or 6 decimals.
void expect_printf_of_read(const std::string& text)
{
    char expected[400];
    char got[400];
    std::snprintf(expected, sizeof expected, "%lf", std::strtod(text.c_str(), nullptr));
    pipeline::NumberText number;
    number.hold_text(text, text.size());
    const char* end = number.copy_as_lf(got);
    const std::size_t point = std::min(text.find('.'), text.size());
    const std::size_t first = text.find_first_not_of("-0");
    const std::size_t whole = first < point ? point - first : 0;
    const std::size_t decimals = point < text.size() ? text.size() - point - 1 : 0;
    if (whole > 9 || decimals > 6)
        ASSERT_EQ(end, nullptr) << text;
    else
        ASSERT_EQ(std::string(expected), std::string(static_cast<const char*>(got), end ? end : got)) << text;
}

} // namespace

// Every fraction of six decimals beside the largest 9 whole digits (where the
// double lies farthest from the text), every one of up to 4 decimals beside
// wholes that need a zero, lose leading zeros or keep a minus sign; then
// random texts up to 11 whole digits and 8 decimals.
TEST(NumberText, DigitsCopiedAreWhatPrintfWritesOfTheirDouble)
{
    char fraction[16];
    for (int f = 0; f < 1000000; ++f) {
        std::snprintf(fraction, sizeof fraction, "%06d", f);
        expect_printf_of_read(std::string("999999999.") + fraction);
    }
    for (const char* whole : {"", "0", "-", "-0", "7", "000", "-000123", "0123456789", "-1000000000"}) {
        expect_printf_of_read(whole + std::string(*whole && whole[std::strlen(whole) - 1] != '-' ? "" : "0"));
        for (int digits = 0; digits <= 4; ++digits) {
            int count = 1;
            for (int k = 0; k < digits; ++k)
                count *= 10;
            for (int f = 0; f < count; ++f) {
                std::snprintf(fraction, sizeof fraction, "%0*d", digits, f);
                if (digits > 0 || std::strpbrk(whole, "0123456789")) // a number has a digit
                    expect_printf_of_read(std::string(whole) + "." + (digits ? fraction : ""));
            }
        }
    }
    std::mt19937_64 rng(1999);
    std::uniform_int_distribution<int> length(0, 11);
    std::uniform_int_distribution<int> decimals(0, 8);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int trial = 0; trial < 200000; ++trial) {
        std::string text = trial % 2 ? "-" : "";
        for (int n = length(rng); n > 0; --n)
            text += static_cast<char>('0' + digit(rng));
        text += '.';
        for (int n = decimals(rng); n > 0; --n)
            text += static_cast<char>('0' + digit(rng));
        if (text.find_first_of("0123456789") == std::string::npos)
            text += '0';
        expect_printf_of_read(text);
    }
}

// Files larger than a block, and a number longer than one, read back through
// Reader::open as the programs do, against the stdio reading of the same file.
TEST(BackendEquivalence, FilesAcrossBlockBoundaries)
{
    const program_test::WorkDir dir;
    const std::string name = (dir.path() / "blocs.txt").string();
    std::string text;
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> coordinate(-500, 500);
    char line[64];
    while (text.size() < 3 * pipeline::fast_backend::read_block) {
        std::snprintf(line, sizeof line, "%lf\n ", coordinate(rng));
        text += line;
    }
    text += std::string(pipeline::fast_backend::read_block + 17, '7') + ".5e-3 x\n";
    program_test::spit(name, text);

    auto fast = pipeline::fast_backend::Input::open(name);
    auto reference = pipeline::stdio_backend::Input::open(name);
    ASSERT_TRUE(fast && reference);
    for (int pass = 0; pass < 2; ++pass) {
        int values = 0;
        while (true) {
            double a = 0, b = 0;
            const int ra = reference->convert_double(a);
            const int rb = fast->convert_double(b);
            ASSERT_EQ(ra, rb) << "value " << values;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(a), std::bit_cast<std::uint64_t>(b)) << "value " << values;
            if (ra != 1)
                break;
            ++values;
        }
        std::string rest_a, rest_b;
        reference->read_line(rest_a, std::string::npos);
        fast->read_line(rest_b, std::string::npos);
        EXPECT_EQ(rest_a, rest_b);
        EXPECT_EQ(rest_b, "x\n");
        EXPECT_GT(values, 60000);
        reference->rewind();
        fast->rewind();
    }
}

// The child of the death test: writes more than a block and stops with exit().
[[noreturn]] void write_then_exit(const std::string& name)
{
    auto log = Writer::open(name, "w");
    for (int k = 0; k < 100000; ++k)
        log->print("%d %lf\n", k, k / 8.0);
    log->print("fin sans fin de ligne");
    std::exit(3);
}

// A program that stops with exit() leaves its files complete, as the C
// library flushes the streams left open; and writers of the same file in
// append mode add up in the order of their writes to the file.
TEST(Writers, FilesLeftOpenAreCompleteAfterExitAndModesKeepTheirMeaning)
{
    const program_test::WorkDir dir;
    const std::string name = (dir.path() / "journal.txt").string();
    EXPECT_EXIT(write_then_exit(name), testing::ExitedWithCode(3), "");
    const std::string text = program_test::slurp(name);
    EXPECT_TRUE(text.starts_with("0 0.000000\n1 0.125000\n"));
    EXPECT_TRUE(text.ends_with("99999 12499.875000\nfin sans fin de ligne"));

    {
        auto first = Writer::open(name, "w+");
        first->print("%s", "a");
    }
    {
        auto again = Writer::open(name, "a+");
        again->print("%s", "b");
        EXPECT_TRUE(again->close());
    }
    EXPECT_EQ(program_test::slurp(name), "ab");
    EXPECT_FALSE(Writer::open(name, "q").has_value()); // not a fopen mode
}
