#include "log_time.hpp"

namespace pipeline {

void log_time(Writer& log, const std::tm& local)
{
    log.print("[%d/%d/%i  %d:%d:%d]\n", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour,
              local.tm_min, local.tm_sec);
}

void log_time(Writer& log)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    log_time(log, local);
}

} // namespace pipeline
