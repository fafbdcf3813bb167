#include "command_line.hpp"

#include <gtest/gtest.h>

using pipeline::decimal_comma;

TEST(CommandLine, DecimalCommaOnlyBetweenTwoIntegers)
{
    for (const auto& [typed, read] : {std::pair{"0,35", "0.35"}, {"10,5", "10.5"}, {"-1,25", "-1.25"},
                                      {"10,abc", "10,abc"}, {"0.35", "0.35"}, {",5", ",5"}, {"abc", "abc"},
                                      {"1,2,3", "1.2,3"}, {"", ""}})
        EXPECT_EQ(decimal_comma(typed), read) << typed;
}

TEST(CommandLine, HelpIsTheOnlyWord)
{
    const char* help[] = {"prog", "--help"};
    const char* aide[] = {"prog", "--aide"};
    const char* h[] = {"prog", "-h"};
    const char* more[] = {"prog", "--help", "x"};
    const char* other[] = {"prog", "-help"};
    EXPECT_TRUE(pipeline::is_help_request(2, help) && pipeline::is_help_request(2, aide) &&
                pipeline::is_help_request(2, h));
    EXPECT_FALSE(pipeline::is_help_request(3, more) || pipeline::is_help_request(2, other) ||
                 pipeline::is_help_request(1, help));
}
