#include "log_time.hpp"

#include <gtest/gtest.h>

#include "program_run.hpp"

TEST(LogTime, FieldsAreNotPadded)
{
    auto line = [](int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        pipeline::Writer w = pipeline::Writer::in_memory();
        pipeline::log_time(w, t);
        return w.memory_text();
    };
    EXPECT_EQ(line(2026, 12, 5, 21, 4, 5), "[5/12/2026  21:4:5]\n");
    EXPECT_EQ(line(2027, 3, 1, 9, 5, 3), "[1/3/2027  9:5:3]\n");
    EXPECT_EQ(line(2026, 1, 31, 0, 0, 0), "[31/1/2026  0:0:0]\n");
}

TEST(LogTime, PresentTimeHasTheLineShape)
{
    pipeline::Writer w = pipeline::Writer::in_memory();
    pipeline::log_time(w);
    EXPECT_EQ(program_test::without_timestamps(w.memory_text()), "[T]\n");
}

TEST(LogTime, TestsSeeEveryStampAndNothingElse)
{
    EXPECT_EQ(program_test::without_timestamps("[5/12/2026  21:4:5]\nexecution x\n[1/3/2027  9:5:3]\nfin"),
              "[T]\nexecution x\n[T]\nfin");
    EXPECT_EQ(program_test::without_timestamps("[5/12/2026 21:4:5] [x] [1/2/3  4:5]"), "[5/12/2026 21:4:5] [x] [1/2/3  4:5]");
}
