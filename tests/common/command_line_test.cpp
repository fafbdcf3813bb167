#include "common/command_line.hpp"

#include <gtest/gtest.h>

using pipeline::decimal_comma;

TEST(CommandLine, DecimalCommaOnlyBetweenTwoIntegers)
{
    for (const auto& [typed, read] : {std::pair{"0,35", "0.35"}, {"10,5", "10.5"}, {"-1,25", "-1.25"},
                                      {"10,abc", "10,abc"}, {"0.35", "0.35"}, {",5", ",5"}, {"abc", "abc"},
                                      {"1,2,3", "1.2,3"}, {"", ""}})
        EXPECT_EQ(decimal_comma(typed), read) << typed;
}
