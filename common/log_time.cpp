#include "common/log_time.hpp"

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

Writer& log_entry(Writer& log)
{
    log_time(log);
    return log;
}

void log_entry(Writer& log, std::string_view text)
{
    log_time(log);
    log.text(text);
}

void report_failure(Writer& screen, Writer& log, std::string_view message)
{
    screen.text(message);
    log_entry(log, message);
}

void report_failure(Writer& screen, std::optional<Writer>& log, std::string_view message)
{
    if (log)
        report_failure(screen, *log, message);
    else
        screen.text(message);
}

} // namespace pipeline
