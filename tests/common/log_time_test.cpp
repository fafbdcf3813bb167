#include "common/log_time.hpp"

#include <gtest/gtest.h>

#include <array>
#include <ctime>
#include <utility>

TEST(LogTime, FieldsAreNotPadded)
{
    for (const auto& [fields, line] : {std::pair{std::array{2026, 12, 5, 21, 4, 5}, "[5/12/2026  21:4:5]\n"},
                                       {std::array{2027, 3, 1, 9, 5, 3}, "[1/3/2027  9:5:3]\n"},
                                       {std::array{2026, 1, 31, 0, 0, 0}, "[31/1/2026  0:0:0]\n"}}) {
        std::tm t{};
        t.tm_year = fields[0] - 1900;
        t.tm_mon = fields[1] - 1;
        t.tm_mday = fields[2];
        t.tm_hour = fields[3];
        t.tm_min = fields[4];
        t.tm_sec = fields[5];
        pipeline::Writer w = pipeline::Writer::in_memory();
        pipeline::log_time(w, t);
        EXPECT_EQ(w.memory_text(), line);
    }
}
