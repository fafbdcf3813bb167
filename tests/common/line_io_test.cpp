#include "common/format_plan.hpp"
#include "common/line_io.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

using pipeline::Reader;
using pipeline::Writer;

// What stops the compilation of a scan or a print (the consteval constructors
// of ScanFormat and PrintFormat refuse what these refuse; format_refused.sh
// compiles the plain mistakes).
using pipeline::format::print_misfit;
using pipeline::format::scan_misfit;
static_assert(scan_misfit<int, int, double>("%dx%dx%lf") == nullptr);
static_assert(scan_misfit<double, int>("%lf %*lf %*lf %i") == nullptr);
static_assert(scan_misfit<float, std::string>(" %f%% %s") == nullptr);
static_assert(scan_misfit<double>("%*lf") != nullptr); // dropped: no target
static_assert(print_misfit<double, float, double, int, int, const char*>("%lf|%f|%.1f|%d|%i|%s|%%|") == nullptr);
static_assert(print_misfit<std::string, char[3]>("%s%s") == nullptr);
static_assert(print_misfit<>("100%") != nullptr);
using pipeline::NumberText;
static_assert(scan_misfit<NumberText, double, NumberText, int>("%lf %lf %lf %*lf %d") == nullptr);
static_assert(scan_misfit<NumberText>("%f") != nullptr); // read as float, not as "%lf"
static_assert(scan_misfit<NumberText>("%d") != nullptr);
static_assert(print_misfit<NumberText, NumberText>("%lf %f") == nullptr);
static_assert(print_misfit<NumberText>("%.1f") != nullptr);
static_assert(print_misfit<NumberText>("%d") != nullptr);

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
