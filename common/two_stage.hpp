// A loop over records cut into two stages that run on two cores: `produce`
// (reading and converting) ahead on the thread of a ReadAhead, `consume`
// (computing, formatting and writing) on the calling thread, the records handed
// over in lots and consumed in the order they were produced. Whatever the
// stages write comes out in the same order as with the plain loop
//
//     for (Record r; produce(r) && consume(r);) {}
//
// The one difference: `produce` may run a lot ahead of `consume`, so it must
// have no effect that shows before its records are consumed (reading input
// files is fine). produce(r) returns false when there is no record left (r is
// then dropped); consume(r) returns false to end the loop. An exception thrown
// by either stage ends the loop and is thrown again here, after the records
// produced before it were consumed.
#pragma once

#include "common/read_ahead.hpp"

#include <cstddef>
#include <exception>
#include <vector>

namespace pipeline {

// Records in a lot: large enough for the hand-over to cost nothing, small
// enough for two lots to stay in the caches.
inline constexpr std::size_t records_per_lot = 2048;

template <class Record, class Produce, class Consume>
void two_stage(Produce&& produce, Consume&& consume, std::size_t per_lot = records_per_lot)
{
    std::vector<Record> lots[2] = {std::vector<Record>(per_lot), std::vector<Record>(per_lot)};
    std::size_t count[2] = {0, 0};
    std::exception_ptr failure[2];
    ReadAhead ahead([&](int lot) {
        std::size_t& n = count[lot];
        for (n = 0; n < per_lot; ++n) {
            try {
                if (!produce(lots[lot][n]))
                    return false;
            } catch (...) {
                failure[lot] = std::current_exception();
                return false;
            }
        }
        return true;
    });
    for (int lot; (lot = ahead.next()) >= 0;) {
        for (std::size_t k = 0; k < count[lot]; ++k)
            if (!consume(lots[lot][k]))
                return;
        if (failure[lot])
            std::rethrow_exception(failure[lot]);
    }
}

} // namespace pipeline
