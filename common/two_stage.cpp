#include "common/two_stage.hpp"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace pipeline {

namespace {

void one_after_the_other(std::size_t per_lot, const Fill& fill, const Drain& drain)
{
    for (;;) {
        std::exception_ptr e;
        const std::size_t n = fill(0, e);
        if (!drain(0, n))
            return;
        if (e)
            std::rethrow_exception(e);
        if (n < per_lot)
            return;
    }
}

} // namespace

void run_two_stages(std::size_t per_lot, const Fill& fill, const Drain& drain)
{
#ifdef RUGOSITE_STDIO_REFERENCE
    one_after_the_other(per_lot, fill, drain);
#else
    if (std::thread::hardware_concurrency() < 2)
        return one_after_the_other(per_lot, fill, drain);

    // Lot k is full (ready[k]) from the end of its filling to the end of its
    // draining; the producer fills 0, 1, 0, 1... and stops after a short lot,
    // a failure, or when told to.
    std::mutex m;
    std::condition_variable changed;
    bool ready[2] = {false, false};
    std::size_t count[2] = {0, 0};
    std::exception_ptr failure[2];
    bool stop = false;

    auto producer = [&] {
        for (int lot = 0;; lot ^= 1) {
            {
                std::unique_lock lock(m);
                changed.wait(lock, [&] { return !ready[lot] || stop; });
                if (stop)
                    return;
            }
            std::exception_ptr e;
            const std::size_t n = fill(lot, e);
            {
                std::lock_guard lock(m);
                count[lot] = n;
                failure[lot] = e;
                ready[lot] = true;
            }
            changed.notify_all();
            if (e || n < per_lot)
                return;
        }
    };
    std::thread thread;
    try {
        thread = std::thread(producer);
    } catch (const std::system_error&) {
        return one_after_the_other(per_lot, fill, drain);
    }
    // Whatever way the draining ends, the producer is stopped and joined.
    struct Join {
        std::thread& thread;
        std::mutex& m;
        std::condition_variable& changed;
        bool& stop;
        ~Join()
        {
            {
                std::lock_guard lock(m);
                stop = true;
            }
            changed.notify_all();
            thread.join();
        }
    } join{thread, m, changed, stop};

    for (int lot = 0;; lot ^= 1) {
        {
            std::unique_lock lock(m);
            changed.wait(lock, [&] { return ready[lot]; });
        }
        const std::size_t n = count[lot];
        const std::exception_ptr e = failure[lot];
        if (!drain(lot, n))
            return;
        if (e)
            std::rethrow_exception(e);
        if (n < per_lot)
            return;
        {
            std::lock_guard lock(m);
            ready[lot] = false;
        }
        changed.notify_all();
    }
#endif
}

} // namespace pipeline
