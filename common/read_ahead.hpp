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
// for. The destructor stops the filling and waits for it.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace pipeline {

class ReadAhead {
public:
    using Fill = std::function<bool(int lot)>;
    explicit ReadAhead(Fill fill);
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    ~ReadAhead();

    // The next filled lot, 0 or 1; -1 after the last one.
    int next();

private:
    void start();
    void produce();

    Fill fill_;
    bool started_ = false;
    bool on_thread_ = false;
    int given_ = -1;        // the lot the caller holds
    bool given_last_ = false;
    std::mutex m_;
    std::condition_variable changed_;
    bool ready_[2] = {false, false};
    bool last_[2] = {false, false};
    std::exception_ptr failure_[2];
    bool stop_ = false;
    std::thread thread_;
};

} // namespace pipeline
