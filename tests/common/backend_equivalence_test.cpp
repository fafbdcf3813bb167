// The fast backend against the C stdio one where random texts seldom go: the
// programs' print formats on the values whose rounding is at stake, the fixed
// notation and the digits copied from a "%lf" text against printf, files
// larger than a block, and the files left by exit(). Random texts read and
// scanned by both backends (and by fscanf) are the fuzz target's work
// (tests/fuzz), with the same comparisons (backend_compare.hpp).
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

using pipeline::Writer;

namespace {

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
// double lies farthest from the text); then random texts up to 11 whole digits
// (leading zeros, a lone minus sign) and 8 decimals, or none.
TEST(NumberText, DigitsCopiedAreWhatPrintfWritesOfTheirDouble)
{
    char fraction[16];
    for (int f = 0; f < 1000000; ++f) {
        std::snprintf(fraction, sizeof fraction, "%06d", f);
        expect_printf_of_read(std::string("999999999.") + fraction);
    }
    std::mt19937_64 rng(1999);
    std::uniform_int_distribution<int> length(0, 11);
    std::uniform_int_distribution<int> decimals(0, 8);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int trial = 0; trial < 200000; ++trial) {
        std::string text = trial % 2 ? "-" : "";
        for (int n = length(rng); n > 0; --n)
            text += static_cast<char>('0' + digit(rng));
        if (trial % 5 != 0) // a whole number now and then
            text += '.';
        for (int n = trial % 5 ? decimals(rng) : 0; n > 0; --n)
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
        std::snprintf(line, sizeof line, text.size() % 3 ? "%lf\n " : "%.3e\n ", coordinate(rng));
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
