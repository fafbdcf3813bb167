#include "common/read_ahead.hpp"

#include <system_error>

namespace pipeline {

std::thread second_core(std::function<void()> body)
{
#ifndef RUGOSITE_STDIO_REFERENCE
    try {
        if (std::thread::hardware_concurrency() >= 2)
            return std::thread(std::move(body));
    } catch (const std::system_error&) {
        // No thread to be had: the caller does the work itself.
    }
#endif
    (void)body;
    return {};
}

} // namespace pipeline
