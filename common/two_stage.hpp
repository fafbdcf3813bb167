// A loop over records cut into two stages that run on two cores: `produce`
// (reading and converting) on a thread of its own, `consume` (computing,
// formatting and writing) on the calling thread, the records handed over in
// lots and consumed in the order they were produced. Whatever the stages write
// comes out in the same order as with the plain loop
//
//     for (Record r; produce(r) && consume(r);) {}
//
// The one difference: `produce` may run up to two lots ahead of `consume`, so
// it must have no effect that shows before its records are consumed (reading
// input files is fine). produce(r) returns false when there is no record left
// (r is then dropped); consume(r) returns false to end the loop. An exception
// thrown by either stage ends the loop and is thrown again here, after the
// records produced before it were consumed.
//
// The reference build, a machine of one core, or a thread that can't be
// started, run the two stages one lot after the other on the calling thread.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <vector>

namespace pipeline {

// Records in a lot: large enough for the hand-over to cost nothing, small
// enough for two lots to stay in the caches.
inline constexpr std::size_t records_per_lot = 2048;

// The machinery under two_stage: fill(lot, failure) fills lot 0 or 1 and
// returns how many records it holds, fewer than `per_lot` for the last one,
// and the exception that stopped it, if any, in `failure`; drain(lot, count)
// consumes them and returns false to stop.
using Fill = std::function<std::size_t(int, std::exception_ptr&)>;
using Drain = std::function<bool(int, std::size_t)>;
void run_two_stages(std::size_t per_lot, const Fill& fill, const Drain& drain);

template <class Record, class Produce, class Consume>
void two_stage(Produce&& produce, Consume&& consume, std::size_t per_lot = records_per_lot)
{
    std::vector<Record> lots[2] = {std::vector<Record>(per_lot), std::vector<Record>(per_lot)};
    run_two_stages(
        per_lot,
        [&](int lot, std::exception_ptr& failure) {
            std::size_t n = 0;
            try {
                while (n < per_lot && produce(lots[lot][n]))
                    ++n;
            } catch (...) {
                failure = std::current_exception();
            }
            return n;
        },
        [&](int lot, std::size_t count) {
            for (std::size_t k = 0; k < count; ++k)
                if (!consume(lots[lot][k]))
                    return false;
            return true;
        });
}

} // namespace pipeline
