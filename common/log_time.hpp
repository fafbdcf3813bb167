// The timestamp line that opens every entry of the run log.
#pragma once

#include "line_io.hpp"

#include <ctime>

namespace pipeline {

// Writes "[day/month/year  hour:minute:second]\n" for the given local time, no
// field padded: [5/12/2026  21:4:5].
void log_time(Writer& log, const std::tm& local);

// Writes the timestamp line of the present local time to the log (not flushed).
void log_time(Writer& log);

} // namespace pipeline
