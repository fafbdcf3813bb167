#include "common/format_plan.hpp"
#include "common/line_io.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

using pipeline::Reader;
using pipeline::Writer;

// What stops the compilation of a scan or a print beside the plain mistakes
// that format_refused.sh compiles (the formats the programs use are accepted,
// or they would not compile).
using pipeline::NumberText;
using pipeline::format::parse;
static_assert(parse<true, double>("%*lf").error != nullptr); // dropped: no target
static_assert(parse<false>("100%").error != nullptr);
static_assert(parse<true, NumberText>("%f").error != nullptr); // read as float, not as "%lf"
static_assert(parse<true, NumberText>("%d").error != nullptr);
static_assert(parse<false, NumberText>("%.1f").error != nullptr);
static_assert(parse<false, NumberText>("%d").error != nullptr);

TEST(LineWriter, ReportsAFileThatCannotBeOpenedWithTheSystemsReason)
{
    int error = 0;
    EXPECT_FALSE(Writer::open("/nonexistent-dir/x.txt", "w", &error).has_value());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(Reader::open("/nonexistent-dir/x.txt", &error).has_value());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(Reader::open("/", &error).has_value()); // opens, but has no lines
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(Writer::open("/dev/null", "wx", &error).has_value());
    EXPECT_EQ(error, EEXIST);
    auto full = Writer::open("/dev/full", "w");
    ASSERT_TRUE(full.has_value());
    EXPECT_EQ(full->error(), 0);
    full->print("%lf\n", 1.0);
    EXPECT_FALSE(full->close());
    EXPECT_EQ(full->error(), ENOSPC);
}
