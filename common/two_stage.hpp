// A loop over records cut into two stages that run on two cores: `produce`
// (reading and converting) ahead on the thread of a RecordsAhead, `consume`
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

namespace pipeline {

template <class Record, class Produce, class Consume>
void two_stage(Produce&& produce, Consume&& consume, std::size_t per_lot = records_per_lot)
{
    RecordsAhead<Record, Produce&> records(produce, per_lot);
    while (Record* r = records.next())
        if (!consume(*r))
            return;
}

} // namespace pipeline
