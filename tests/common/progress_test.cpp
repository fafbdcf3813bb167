#include "common/progress.hpp"

#include <gtest/gtest.h>

TEST(Progress, LineSaysHowFarTheRunIs)
{
    EXPECT_EQ(pipeline::Progress::line("plyunpack", 1'500'000, 3'000'000),
              "plyunpack : 1500000 / 3000000 points (50 %)");
    EXPECT_EQ(pipeline::Progress::line("markerpick", 2'000'000, 0), "markerpick : 2000000 points");
}

TEST(Progress, SilentWhenStandardErrorIsNoTerminal)
{
    testing::internal::CaptureStderr();
    {
        pipeline::Progress p("delimiter", 3'000'000);
        for (int i = 0; i < 3'000'000; ++i)
            p.step();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
