#include "common/two_stage.hpp"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <vector>

namespace {

struct Passage {
    std::vector<int> consumed;
    int produced = 0;
};

// Produces 0, 1, 2... up to `total` (excluded), on lots of `per_lot`; the
// consumer stops after `stop_after` records when that is not -1. The producer
// throws instead of giving record `fail_at`, the consumer on record
// `consumer_fails_at` (-1: never).
void run(Passage& r, int total, std::size_t per_lot, int stop_after = -1, int fail_at = -1, int consumer_fails_at = -1)
{
    pipeline::two_stage<int>(
        [&](int& v) {
            if (r.produced == fail_at)
                throw std::runtime_error("lecture");
            if (r.produced == total)
                return false;
            v = r.produced++;
            return true;
        },
        [&](const int& v) {
            if (v == consumer_fails_at)
                throw std::runtime_error("ecriture");
            r.consumed.push_back(v);
            return stop_after < 0 || static_cast<int>(r.consumed.size()) < stop_after;
        },
        per_lot);
}

std::vector<int> upto(int n)
{
    std::vector<int> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), 0);
    return v;
}

// Every record once, in order, whatever the lot boundaries; a stop of the
// consumer ends the loop; a failure on either side comes back after the
// records produced before it.
TEST(TwoStage, EveryRecordInOrderUpToAStopOrAFailure)
{
    for (int total : {0, 1, 4, 5, 4003}) {
        Passage r;
        run(r, total, 4);
        EXPECT_EQ(r.consumed, upto(total)) << total << " records";
    }
    Passage stopped;
    run(stopped, 1000, 4, 5);
    EXPECT_EQ(stopped.consumed, upto(5));
    EXPECT_LE(stopped.produced, 5 + 2 * 4 + 4); // at most two lots ahead
    for (int at : {0, 3, 4, 10}) {
        Passage r;
        EXPECT_THROW(run(r, 1000, 4, -1, at), std::runtime_error);
        EXPECT_EQ(r.consumed, upto(at));
    }
    Passage endless; // stopped by the failure of the consumer
    EXPECT_THROW(run(endless, -1, 4, -1, -1, 7), std::runtime_error);
}

} // namespace
