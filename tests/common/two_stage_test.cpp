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
// consumer stops after `stop_after` records when that is not -1.
Passage run(int total, std::size_t per_lot, int stop_after = -1)
{
    Passage r;
    pipeline::two_stage<int>(
        [&](int& v) {
            if (r.produced == total)
                return false;
            v = r.produced++;
            return true;
        },
        [&](const int& v) {
            r.consumed.push_back(v);
            return stop_after < 0 || static_cast<int>(r.consumed.size()) < stop_after;
        },
        per_lot);
    return r;
}

std::vector<int> upto(int n)
{
    std::vector<int> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), 0);
    return v;
}

TEST(TwoStage, EveryRecordOnceInOrderWhateverTheLotBoundaries)
{
    for (int total : {0, 1, 3, 4, 5, 8, 9, 4003, 100000})
        EXPECT_EQ(run(total, 4).consumed, upto(total)) << total << " records";
    EXPECT_EQ(run(1000000, pipeline::records_per_lot).consumed, upto(1000000));
}

TEST(TwoStage, ConsumerStoppingEndsTheLoopWithTheProducerAtMostTwoLotsAhead)
{
    for (int stop : {1, 4, 5, 13}) {
        const Passage r = run(1000, 4, stop);
        EXPECT_EQ(r.consumed, upto(stop));
        EXPECT_LE(r.produced, stop + 2 * 4 + 4) << "stopped after " << stop;
    }
}

TEST(TwoStage, ExceptionsComeBackAfterTheRecordsProducedBeforeThem)
{
    for (int at : {0, 3, 4, 10}) {
        std::vector<int> consumed;
        int next = 0;
        EXPECT_THROW(pipeline::two_stage<int>(
                         [&](int& v) {
                             if (next == at)
                                 throw std::runtime_error("lecture");
                             v = next++;
                             return true;
                         },
                         [&](const int& v) {
                             consumed.push_back(v);
                             return true;
                         },
                         4),
                     std::runtime_error);
        EXPECT_EQ(consumed, upto(at));
    }
    int next = 0;
    EXPECT_THROW(pipeline::two_stage<int>(
                     [&](int& v) {
                         v = next++;
                         return true; // an endless producer, stopped by the failure of the consumer
                     },
                     [&](const int& v) {
                         if (v == 7)
                             throw std::runtime_error("ecriture");
                         return true;
                     },
                     4),
                 std::runtime_error);
}

} // namespace
