#include "common/format_plan.hpp"
#include "common/line_io.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

using pipeline::fin_de_fichier;
using pipeline::Reader;
using pipeline::Writer;

// The reader on inputs of the programs, case by case (the property tests of
// backend_equivalence_test.cpp compare every format with one scanf call on
// random texts).
TEST(LineReader, CountsAndEndOfFile)
{
    double x = 7, y = 7, z = 7;
    Reader empty = Reader::over_text("");
    EXPECT_EQ(empty.scan("%lf %lf %lf", x, y, z), fin_de_fichier);
    Reader blanks = Reader::over_text(" \n\t ");
    EXPECT_EQ(blanks.scan("%lf", x), fin_de_fichier);
    Reader word = Reader::over_text("abc");
    EXPECT_EQ(word.scan("%lf", x), 0);
    EXPECT_EQ(x, 7); // a failed conversion leaves its target
    Reader short_triple = Reader::over_text("1 2");
    EXPECT_EQ(short_triple.scan("%lf %lf %lf", x, y, z), 2);
    EXPECT_EQ(z, 7);
    Reader partial = Reader::over_text("100ergs");
    EXPECT_EQ(partial.scan("%lf", x), 1);
    EXPECT_EQ(x, 100);
    std::string rest;
    ASSERT_TRUE(partial.read_line(rest));
    EXPECT_EQ(rest, "rgs"); // the e was taken for an exponent and is lost
}

TEST(LineReader, CoordinateFileWithLeadingBlanksAndBaseWithoutLineEnd)
{
    Reader coords = Reader::over_text("1.000000\n 2.000000\n ");
    double v = 0;
    EXPECT_EQ(coords.scan("%lf\n", v), 1);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(coords.scan("%lf\n", v), 1);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(coords.scan("%lf\n", v), fin_de_fichier);

    Reader base = Reader::over_text("1.0 2.0 3.0\n0.1 0.2 0.3\n12.5");
    double t[3], r[3], e = 0;
    EXPECT_EQ(base.scan("%lf %lf %lf\n", t[0], t[1], t[2]), 3);
    EXPECT_EQ(base.scan("%lf %lf %lf", r[0], r[1], r[2]), 3);
    EXPECT_EQ(base.scan("%lf", e), 1);
    EXPECT_EQ(e, 12.5);
}

TEST(LineReader, GridHeaderWordsLinesAndRewind)
{
    Reader grid = Reader::over_text("200x200x0.500000\n1\n");
    int a = 0, b = 0;
    double step = 0;
    EXPECT_EQ(grid.scan("%dx%dx%lf", a, b, step), 3);
    EXPECT_EQ(a, 200);
    EXPECT_EQ(b, 200);
    EXPECT_EQ(step, 0.5);

    Reader answers = Reader::over_text("  012\n 3,5 fin\n");
    int n = 0;
    float f = 0;
    std::string w;
    EXPECT_EQ(answers.scan("%i", n), 1);
    EXPECT_EQ(n, 10); // octal
    EXPECT_EQ(answers.scan("%s", w), 1);
    EXPECT_EQ(w, "3,5");
    EXPECT_EQ(answers.scan("%s", w), 1);
    EXPECT_EQ(w, "fin");
    EXPECT_EQ(answers.scan("%s", w), fin_de_fichier);
    EXPECT_EQ(Reader::over_text("2.5").scan("%f", f), 1);
    EXPECT_EQ(f, 2.5f);

    Reader lines = Reader::over_text("abcdef\nxy");
    std::string line;
    EXPECT_TRUE(lines.read_line(line, 4));
    EXPECT_EQ(line, "abcd");
    EXPECT_TRUE(lines.read_line(line, 4));
    EXPECT_EQ(line, "ef\n");
    EXPECT_FALSE(lines.at_end());
    EXPECT_TRUE(lines.read_line(line));
    EXPECT_EQ(line, "xy");
    EXPECT_TRUE(lines.at_end());
    EXPECT_FALSE(lines.read_line(line));
    lines.rewind();
    EXPECT_TRUE(lines.read_line(line));
    EXPECT_EQ(line, "abcdef\n");
    char bytes[8];
    EXPECT_EQ(lines.read_bytes(bytes), 2u);
    EXPECT_EQ(std::string(bytes, 2), "xy");
}

// What stops the compilation of a scan or a print (the consteval constructors
// of ScanFormat and PrintFormat refuse what these refuse).
using pipeline::format::print_misfit;
using pipeline::format::scan_misfit;
static_assert(scan_misfit<double, double, int>("%lf %lf %d\n") == nullptr);
static_assert(scan_misfit<int, int, double>("%dx%dx%lf") == nullptr);
static_assert(scan_misfit<double, int>("%lf %*lf %*lf %i") == nullptr);
static_assert(scan_misfit<float, std::string>(" %f%% %s") == nullptr);
static_assert(scan_misfit<int>("%lf") != nullptr);
static_assert(scan_misfit<double>("%f") != nullptr); // float wanted
static_assert(scan_misfit<int>("%d %d") != nullptr);
static_assert(scan_misfit<int, double>("%d") != nullptr);
static_assert(scan_misfit<int>("%x") != nullptr);
static_assert(scan_misfit<double>("%*lf") != nullptr); // dropped: no target
static_assert(print_misfit<double, float, double, int, int, const char*>("%lf|%f|%.1f|%d|%i|%s|%%|") == nullptr);
static_assert(print_misfit<std::string, char[3]>("%s%s") == nullptr);
static_assert(print_misfit<double>("%d") != nullptr);
static_assert(print_misfit<int>("%d %d") != nullptr);
static_assert(print_misfit<double>("%.2f") != nullptr);
static_assert(print_misfit<>("100%") != nullptr);
using pipeline::NumberText;
static_assert(scan_misfit<NumberText, double, NumberText, int>("%lf %lf %lf %*lf %d") == nullptr);
static_assert(scan_misfit<NumberText>("%f") != nullptr); // read as float, not as "%lf"
static_assert(scan_misfit<NumberText>("%d") != nullptr);
static_assert(print_misfit<NumberText, NumberText>("%lf %f") == nullptr);
static_assert(print_misfit<NumberText>("%.1f") != nullptr);
static_assert(print_misfit<NumberText>("%d") != nullptr);

namespace {

// The characters each step covers, joined by "|".
std::string pieces_of(std::string_view text, const pipeline::format::Plan& plan)
{
    std::string covered;
    std::size_t at = 0;
    for (const auto step : plan.used()) {
        covered += std::string(text.substr(at, step.length())) + "|";
        at += step.length();
    }
    return covered;
}

} // namespace

TEST(LineReader, FormatsAreTakenApartOnceForAllWhenCompiled)
{
    using pipeline::format::Step;
    constexpr std::string_view scanned = " %d,;%lf %%\nrayons x%d";
    constexpr auto scan = pipeline::format::plan_scan(scanned);
    static_assert(scan.plan.step_count == 10 && scan.conversion_count == 3);
    // The blanks before a conversion are its own (every conversion skips
    // blanks itself); "%%" skips blanks first, as every directive starting
    // with %; runs of literal characters are one step each, split by blanks.
    constexpr Step::Kind scan_kinds[] = {Step::read_decimal, Step::match,       Step::read_double, Step::skip_blanks,
                                         Step::percent,      Step::skip_blanks, Step::match,       Step::skip_blanks,
                                         Step::match,        Step::read_decimal};
    for (std::size_t k = 0; k < std::size(scan_kinds); ++k)
        EXPECT_EQ(scan.plan.steps[k].kind(), scan_kinds[k]) << k;
    EXPECT_EQ(pieces_of(scanned, scan.plan), " %d|,;|%lf| |%%|\n|rayons| |x|%d|");

    constexpr std::string_view text = "GRILLE(%d,%d)=%lf;\n%%%.1f";
    constexpr auto print = pipeline::format::plan_print(text);
    EXPECT_EQ(pieces_of(text, print.plan), "GRILLE(|%d|,|%d|)=|%lf|;\n|%%|%.1f|");
    EXPECT_EQ(print.conversion_count, 4);
    EXPECT_EQ(print.plan.steps[7].kind(), Step::percent);
    EXPECT_EQ(print.plan.steps[8].kind(), Step::write_fixed_1);
}

TEST(LineWriter, PrintsAsPrintf)
{
    Writer w = Writer::in_memory();
    const double nan = std::nan("");
    w.print("%lf|%f|%.1f|%d|%i|%s|%%|", 12.5, -0.03125, 0.25, -7, 42, "texte");
    w.print("%lf %lf %lf %.1f\n", nan, -nan, 1e300 * 1e300, 10.25f);
    w.print("%lf\n ", 10000.0);
    w.text("\xE9");
    EXPECT_EQ(w.memory_text(), "12.500000|-0.031250|0.2|-7|42|texte|%|nan -nan inf 10.2\n10000.000000\n \xE9");
    EXPECT_FALSE(w.failed());
}

// Long literal runs, read and written whole.
TEST(LineIo, LongLiteralsAreWholeInBothDirections)
{
    // 520 characters without a blank: one run of the scan format.
#define CHUNK "abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ"
#define LONG_TEXT CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK CHUNK
    static_assert(sizeof(LONG_TEXT) > 256);
    Writer w = Writer::in_memory();
    w.print(LONG_TEXT "=%d;" LONG_TEXT "\n", 42);
    const std::string long_text = LONG_TEXT;
    EXPECT_EQ(w.memory_text(), long_text + "=42;" + long_text + "\n");

    int n = 0;
    Reader whole = Reader::over_text(long_text + "=7 et la suite");
    EXPECT_EQ(whole.scan(LONG_TEXT "=%d", n), 1);
    EXPECT_EQ(n, 7);
    std::string rest;
    EXPECT_TRUE(whole.read_line(rest));
    EXPECT_EQ(rest, " et la suite");
    // A difference past the first step's run stops the scan there, the
    // differing character left unread.
    std::string altered = long_text + "=8";
    altered[300] = '#';
    Reader broken = Reader::over_text(altered);
    EXPECT_EQ(broken.scan(LONG_TEXT "=%d", n), 0);
    EXPECT_TRUE(broken.read_line(rest));
    EXPECT_EQ(rest, altered.substr(300));
#undef LONG_TEXT
#undef CHUNK
}

TEST(LineWriter, ReportsAFileThatCannotBeOpenedWithTheSystemsReason)
{
    int error = 0;
    EXPECT_FALSE(Writer::open("/nonexistent-dir/x.txt", "w", error).has_value());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(Reader::open("/nonexistent-dir/x.txt", error).has_value());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(Reader::open("/", error).has_value()); // opens, but has no lines
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(Writer::open("/dev/null", "wx", error).has_value());
    EXPECT_EQ(error, EEXIST);
    auto full = Writer::open("/dev/full", "w");
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->error(), 0);
    full->print("%lf\n", 1.0);
    EXPECT_FALSE(full->close());
    EXPECT_EQ(full->error(), ENOSPC);
}
