#include "common/progress.hpp"

#include <gtest/gtest.h>

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
