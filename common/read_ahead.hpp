// Records read on a second core, ahead of the thread that uses them.
//
// The reading runs on a thread of its own from the first next() on, so it
// must touch nothing the calling thread uses meanwhile (reading input files of
// its own is the use). The reference build, a machine of one core, or a
// thread that can't be started read each lot on the calling thread when it is
// asked for.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <semaphore>
#include <thread>
#include <utility>
#include <vector>

namespace pipeline {

// A thread running `body`; none (not joinable) in the reference build, on a
// machine of one core, or when no thread can be started.
std::thread second_core(std::function<void()> body);

// Records in a lot: large enough for the hand-over to cost nothing, small
// enough for two lots to stay in the caches.
inline constexpr std::size_t records_per_lot = 2048;

// Records read on a second core, handed out one at a time in the order they
// were read: read(record) gives the next one, false once there is none. They
// travel in lots 0 and 1, at most two in flight: the thread fills one while
// the caller takes the records of the other. An exception thrown by read is
// thrown by the next() that would have given its record, after the records
// read before it were given. The destructor waits for the filling under way.
template <class Record, class Read>
class RecordsAhead {
public:
    explicit RecordsAhead(Read read, std::size_t per_lot = records_per_lot)
        : read_(std::forward<Read>(read)),
          per_lot_(per_lot), lots_{std::vector<Record>(per_lot), std::vector<Record>(per_lot)}
    {
    }
    ~RecordsAhead()
    {
        if (!thread_.joinable())
            return;
        if (pending_)
            done_.acquire();
        stop_ = true;
        go_.release();
        thread_.join();
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
            if (lot_ == -1) { // the first: the reading starts on the second core
                thread_ = second_core([this] {
                    for (go_.acquire(); !stop_; go_.acquire()) {
                        fill(filling_);
                        done_.release();
                    }
                });
                if (thread_.joinable())
                    go_.release();
            }
            if (thread_.joinable())
                done_.acquire();
            else
                fill(filling_);
            lot_ = filling_;
            k_ = 0;
            filling_ ^= 1;
            // A full lot may have more after it: the thread fills the other.
            pending_ = count_[lot_] == per_lot_ && thread_.joinable();
            if (pending_)
                go_.release();
        }
        return &lots_[lot_][k_++];
    }

private:
    void fill(int lot)
    {
        std::size_t& n = count_[lot];
        try {
            for (n = 0; n < per_lot_; ++n)
                if (!read_(lots_[lot][n]))
                    return;
        } catch (...) {
            failure_[lot] = std::current_exception(); // the lot ends before the record that threw
        }
    }

    Read read_;
    std::size_t per_lot_;
    std::vector<Record> lots_[2];
    std::size_t count_[2] = {0, 0};
    std::exception_ptr failure_[2];
    int lot_ = -1; // the lot given, -1 before the first
    std::size_t k_ = 0;
    int filling_ = 0;      // the lot filled next
    bool pending_ = false; // the thread fills it
    bool stop_ = false;
    // The thread fills a lot after each release of `go`, and releases `done`.
    std::binary_semaphore go_{0}, done_{0};
    std::thread thread_;
};

} // namespace pipeline
