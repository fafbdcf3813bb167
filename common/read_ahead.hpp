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

#include <exception>
#include <functional>
#include <semaphore>
#include <thread>
#include <utility>

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

} // namespace pipeline
