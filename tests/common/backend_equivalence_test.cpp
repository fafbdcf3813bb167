// The fast backend against the C stdio one (and against fscanf) where random
// texts seldom go: scanf's corner cases, numbers cut by the end of the input or
// by the seams of its refills, the print formats on the values whose rounding
// is at stake, files larger than a block and the files left by exit(). Random
// texts are the fuzz target's work (tests/fuzz), with the same comparisons.
#include "tests/common/backend_compare.hpp"
#include "common/fast_input.hpp"
#include "common/line_io.hpp"
#include "common/stdio_stream.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using pipeline::Writer;

TEST(BackendEquivalence, CornerCasesReadAndWrittenAsTheCLibraryDoes)
{
    // A scan format of the table, its targets, and the texts it reads, split at '|'.
    const char* const cases[][3] = {
        {"%lf", "d", "1e5|2E-2 x|1e+|1e-x|1e|-nan|nan(12)|nan(12|infx|INFINITE|na|0x1p3|0X1.8P-2|0x.p|0xg|0x|-|+|.|1."},
        {"%lf", "d", ".5|100ergs|1e400|-1e-400|4.9e-324|2.2250738585072011e-308|0.1000000000000000055511151231257827"},
        {"%lf", "d", "123456789012345678901234567890e-10|00000000000000000000000000001|\x0D\x0A\x0B\x0C 7|3,25"},
        {"%i", "i", "010|0x1A|08|-0x|0x|9223372036854775808|-9223372036854775809|2147483648|-"},
        {"%d", "i", "012|0x1A|18446744073709551616|+3|-|"},
        {"%f", "f", "3.4028235677973366e+38|1.17549435e-38|1e39|-1e-50|0.1"},
        {"%lf\n", "n", "999999999.999999|999999999.000001|9999999999.5|-0.0000005|-0.000000|1.1234567|1e3|inf"},
        {"%lf %lf", "nd", "-0.031250 10000.000000|99999999999 1"},
        {"%dx%dx%lf", "iid", "200x200x0.500000|1x2x|1x2"},
        {"%i,%i", "ii", "10,5|3,x|7|0x10,010"},
        {" %lf%% x", "d", "12.5% x|3%%|4 % x"},
        {"element vertex %d\n", "i", "element vertex 12\n7|element vertex x|element"},
        {"%lf %lf %lf %*lf %*lf %*lf %d %d %d", "nnniii", "1 2 3 4 5 6 7 8 9|1 2 3 4 5 x"},
        {"%f %s %i", "fsi", "1.5 \xe9t\xe9 012|\x0B mot"},
    };
    for (const auto& [format, targets, texts] : cases) {
        const auto formats = equivalence::scan_formats();
        const auto f = std::find_if(formats.begin(), formats.end(), [&](const auto& g) {
            return std::strcmp(g.text, format) == 0 && std::strcmp(g.targets, targets) == 0;
        });
        ASSERT_NE(f, formats.end()) << format;
        const equivalence::Action scans[] = {{equivalence::Step::scan, static_cast<std::uint8_t>(f - formats.begin())},
                                             {equivalence::Step::scan, static_cast<std::uint8_t>(f - formats.begin())}};
        for (std::string_view rest = texts;;) {
            const std::string_view text = rest.substr(0, rest.find('|'));
            for (const std::size_t piece : {1, 3, 64})
                EXPECT_EQ(equivalence::reader_difference(text, scans, piece), "");
            EXPECT_EQ(equivalence::whole_scan_difference(text, *f), "");
            if (text.size() == rest.size())
                break;
            rest.remove_prefix(text.size() + 1);
        }
    }
    const double values[] = {0.0, -0.0, 0.05, 0.25, -0.25, 0.35, 2.5, -0.04, 9.95, 1e300, -1e300,
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::nan(""), -std::nan(""), 1.0 / 128, 3.0 / 128, 0.0000005, 999999.9999995, 10000.0};
    for (const auto& format : equivalence::print_formats())
        for (const double d : values)
            EXPECT_EQ(equivalence::print_difference(format, d, INT_MIN, "texte"), "");
}

// A file of three blocks ending with a number longer than one, read through
// both backends' files, then again after a rewind.
TEST(BackendEquivalence, FilesAcrossBlockBoundaries)
{
    const program_test::WorkDir dir;
    std::string text;
    char line[64];
    for (int k = 0; text.size() < 3 * pipeline::fast_backend::read_block; ++k) {
        std::snprintf(line, sizeof line, k % 3 ? "%lf\n " : "%.3e\n ", k * 0.37 - 5000);
        text += line;
    }
    dir.write("blocs.txt", text + std::string(pipeline::fast_backend::read_block + 17, '7') + ".5e-3 x\n");
    const std::string name = (dir.path() / "blocs.txt").string();
    auto fast = pipeline::fast_backend::Input::open(name);
    auto reference = pipeline::stdio_backend::Input::open(name);
    ASSERT_TRUE(fast && reference);
    const auto values = [](auto& in) {
        std::string log, rest;
        double v = 0;
        int status = 0;
        while ((status = in.convert_real(v)) == 1)
            log += equivalence::describe(v);
        in.read_line(rest, std::string::npos);
        in.rewind();
        return log + std::to_string(status) + rest;
    };
    for (int pass = 0; pass < 2; ++pass) {
        const std::string expected = values(*reference);
        EXPECT_TRUE(expected.ends_with(")0x\n"));
        EXPECT_TRUE(values(*fast) == expected);
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
    Writer::open(name, "w+")->print("%s", "a");
    auto again = Writer::open(name, "a+");
    again->print("%s", "b");
    EXPECT_TRUE(again->close());
    EXPECT_EQ(program_test::slurp(name), "ab");
    EXPECT_FALSE(Writer::open(name, "q").has_value()); // not a fopen mode
}
