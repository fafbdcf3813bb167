// The run log's entries, each opened by a timestamp line, and the failure
// report that every program writes on the screen and in the log alike.
#pragma once

#include "common/line_io.hpp"

#include <ctime>
#include <optional>
#include <string_view>

namespace pipeline {

// Writes "[day/month/year  hour:minute:second]\n" for the given local time, no
// field padded: [5/12/2026  21:4:5].
void log_time(Writer& log, const std::tm& local);

// Writes the timestamp line of the present local time to the log (not flushed).
void log_time(Writer& log);

// Opens a log entry: its timestamp line, then the log itself for the entry's
// text, as in log_entry(log).print("%d points\n", n).
Writer& log_entry(Writer& log);

// A whole log entry: the timestamp line, then the text as it is.
void log_entry(Writer& log, std::string_view text);

// A failure that the user must see and the log must keep: the message on the
// screen, then as a log entry. Byte for byte the same text in both, its line
// end included.
void report_failure(Writer& screen, Writer& log, std::string_view message);

// The same when the log may not have opened: then on the screen only.
void report_failure(Writer& screen, std::optional<Writer>& log, std::string_view message);

} // namespace pipeline
