#include "common/read_ahead.hpp"

#include <system_error>

namespace pipeline {

ReadAhead::~ReadAhead()
{
    if (!thread_.joinable())
        return;
    if (pending_)
        done_.acquire();
    stop_ = true;
    go_.release();
    thread_.join();
}

void ReadAhead::fill_one()
{
    try {
        more_ = fill_(lot_);
    } catch (...) {
        failure_ = std::current_exception();
    }
}

int ReadAhead::next()
{
    if (ended_)
        return -1;
    if (!started_) {
        started_ = true;
#ifndef RUGOSITE_STDIO_REFERENCE
        try {
            if (std::thread::hardware_concurrency() >= 2)
                thread_ = std::thread([this] {
                    for (go_.acquire(); !stop_; go_.acquire()) {
                        fill_one();
                        done_.release();
                    }
                });
        } catch (const std::system_error&) {
            // No thread to be had: each lot is filled when asked for.
        }
#endif
        pending_ = thread_.joinable();
        if (pending_)
            go_.release();
    }
    if (pending_)
        done_.acquire();
    else
        fill_one();
    pending_ = false;
    const int given = lot_;
    ended_ = failure_ || !more_;
    if (failure_)
        std::rethrow_exception(failure_);
    lot_ ^= 1;
    if (!ended_ && thread_.joinable()) {
        pending_ = true;
        go_.release();
    }
    return given;
}

} // namespace pipeline
