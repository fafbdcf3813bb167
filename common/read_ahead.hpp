// Records read on a second core, ahead of the thread that uses them.
//
// fill(lot) fills lot 0 or 1 (storage the caller owns) and returns false once
// it has filled the last one. next() hands the lots over in the order they
// were filled: it gives lot 0, 1, 0, 1... once filled, and takes back the one
// it gave before, which may then be filled again, so at most two lots are in
// flight. An exception thrown by fill is thrown by the next() that would have
// given that lot.
//
// The fill runs on a thread of its own from the first next() on, so it must
// touch nothing the calling thread uses meanwhile (reading input files of its
// own is the use). The reference build, a machine of one core, or a thread
// that can't be started fill each lot on the calling thread when it is asked
// for. The destructor waits for the filling under way.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <semaphore>
#include <thread>
#include <utility>
#include <vector>

namespace pipeline {

class ReadAhead {
public:
    using Fill = std::function<bool(int lot)>;
    explicit ReadAhead(Fill fill) : fill_(std::move(fill)) {}
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead();

    // The next filled lot, 0 or 1; -1 after the last one.
    int next();

private:
    void fill_one(); // fills lot_, keeping what fill says or throws

    Fill fill_;
    bool started_ = false;
    bool ended_ = false;   // the last lot was given
    bool pending_ = false; // the thread fills lot_
    int lot_ = 0;          // the lot filled next, or being filled
    bool more_ = true;
    std::exception_ptr failure_;
    bool stop_ = false;
    // The thread fills lot_ after each release of `go`, and releases `done`.
    std::binary_semaphore go_{0}, done_{0};
    std::thread thread_;
};

// Records in a lot: large enough for the hand-over to cost nothing, small
// enough for two lots to stay in the caches.
inline constexpr std::size_t records_per_lot = 2048;

// Records read on a second core, handed out one at a time in the order they
// were read: read(record) gives the next one, false once there is none. They
// travel in lots, at most two in flight. An exception thrown by read is thrown
// by the next() that would have given its record, after the records read
// before it were given.
template <class Record, class Read>
class RecordsAhead {
public:
    explicit RecordsAhead(Read read, std::size_t per_lot = records_per_lot)
        : read_(std::forward<Read>(read)),
          per_lot_(per_lot),
          lots_{std::vector<Record>(per_lot), std::vector<Record>(per_lot)},
          ahead_([this](int lot) { return fill(lot); })
    {
    }

    // The next record, valid until the next call; nullptr after the last.
    Record* next()
    {
        while (lot_ == -1 || k_ == count_[lot_]) {
            if (lot_ != -1 && count_[lot_] < per_lot_) { // the last lot
                if (std::exception_ptr failure = std::exchange(failure_[lot_], nullptr))
                    std::rethrow_exception(failure);
                return nullptr;
            }
            lot_ = ahead_.next();
            k_ = 0;
            if (lot_ == -1)
                return nullptr;
        }
        return &lots_[lot_][k_++];
    }

private:
    bool fill(int lot)
    {
        std::size_t& n = count_[lot];
        for (n = 0; n < per_lot_; ++n) {
            try {
                if (!read_(lots_[lot][n]))
                    return false;
            } catch (...) {
                failure_[lot] = std::current_exception();
                return false;
            }
        }
        return true;
    }

    Read read_;
    std::size_t per_lot_;
    std::vector<Record> lots_[2];
    std::size_t count_[2] = {0, 0};
    std::exception_ptr failure_[2];
    int lot_ = -1;
    std::size_t k_ = 0;
    ReadAhead ahead_; // last: stopped before what it fills goes
};

} // namespace pipeline
