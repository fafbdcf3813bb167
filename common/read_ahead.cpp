#include "common/read_ahead.hpp"

#include <system_error>
#include <utility>

namespace pipeline {

ReadAhead::ReadAhead(Fill fill) : fill_(std::move(fill)) {}

ReadAhead::~ReadAhead()
{
    if (!on_thread_)
        return;
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ReadAhead::start()
{
    started_ = true;
#ifndef RUGOSITE_STDIO_REFERENCE
    if (std::thread::hardware_concurrency() < 2)
        return;
    try {
        thread_ = std::thread([this] { produce(); });
        on_thread_ = true;
    } catch (const std::system_error&) {
        // No thread to be had: each lot is filled when asked for.
    }
#endif
}

void ReadAhead::produce()
{
    // Lot k is ready from the end of its filling to its return by next().
    for (int lot = 0;; lot ^= 1) {
        {
            std::unique_lock lock(m_);
            changed_.wait(lock, [&] { return !ready_[lot] || stop_; });
            if (stop_)
                return;
        }
        bool more = false;
        std::exception_ptr e;
        try {
            more = fill_(lot);
        } catch (...) {
            e = std::current_exception();
        }
        {
            std::lock_guard lock(m_);
            failure_[lot] = e;
            last_[lot] = !more;
            ready_[lot] = true;
        }
        changed_.notify_all();
        if (!more)
            return;
    }
}

int ReadAhead::next()
{
    if (given_last_)
        return -1;
    if (!started_)
        start();
    if (!on_thread_) {
        given_ = 0;
        given_last_ = true; // also when fill throws
        given_last_ = !fill_(0);
        return 0;
    }
    const int wanted = given_ == -1 ? 0 : given_ ^ 1;
    if (given_ != -1) {
        {
            std::lock_guard lock(m_);
            ready_[given_] = false;
        }
        changed_.notify_all();
    }
    std::unique_lock lock(m_);
    changed_.wait(lock, [&] { return ready_[wanted]; });
    given_ = wanted;
    given_last_ = last_[wanted];
    if (failure_[wanted]) {
        given_last_ = true;
        std::rethrow_exception(failure_[wanted]);
    }
    return wanted;
}

} // namespace pipeline
