#include "common/read_ahead.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <vector>

namespace {

struct Passage {
    std::vector<int> taken;
    int read = 0;
};

// Reads 0, 1, 2... up to `total` (excluded), in lots of `per_lot`, and takes
// them until `stop_after` are taken (-1: all). The reading throws instead of
// giving record `fail_at` (-1: never).
void run(Passage& r, int total, std::size_t per_lot, int stop_after = -1, int fail_at = -1)
{
    auto read = [&](int& v) {
        if (r.read == fail_at)
            throw std::runtime_error("lecture");
        if (r.read == total)
            return false;
        v = r.read++;
        return true;
    };
    pipeline::RecordsAhead<int, decltype(read)&> records(read, per_lot);
    while (const int* v = records.next()) {
        r.taken.push_back(*v);
        if (static_cast<int>(r.taken.size()) == stop_after)
            return;
    }
}

std::vector<int> upto(int n)
{
    std::vector<int> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), 0);
    return v;
}

// Every record once, in order, whatever the lot boundaries; the caller may
// stop early; a failure of the reading comes back after the records read
// before it.
TEST(RecordsAhead, EveryRecordInOrderUpToAStopOrAFailure)
{
    for (int total : {0, 1, 4, 5, 4003}) {
        Passage r;
        run(r, total, 4);
        EXPECT_EQ(r.taken, upto(total)) << total << " records";
    }
    Passage stopped;
    run(stopped, 1000, 4, 5);
    EXPECT_EQ(stopped.taken, upto(5));
    EXPECT_LE(stopped.read, 5 + 2 * 4 + 4); // at most two lots ahead
    for (int at : {0, 3, 4, 10}) {
        Passage r;
        EXPECT_THROW(run(r, 1000, 4, -1, at), std::runtime_error);
        EXPECT_EQ(r.taken, upto(at));
    }
}

} // namespace
