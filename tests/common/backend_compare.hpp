// Runs the same reads and writes through the C stdio backend and the fast
// backend and describes the first difference between them: the equivalence
// that the fuzz target and the writer tests check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace equivalence {

// A scan format of the programs, with its targets: 'd' double, 'n' NumberText
// (described by its value and by its "%lf" text, written by the same
// backend), 'f' float, 'i' int, 's' word.
struct ScanFormat {
    const char* text;
    const char* targets;
};
std::span<const ScanFormat> scan_formats();

// A print format of the programs, with its values: 'd' double, 'i' int, 's' text.
struct PrintFormat {
    const char* text;
    const char* values;
};
std::span<const PrintFormat> print_formats();

enum class Step : std::uint8_t { scan, read_line, at_end, rewind, read_bytes };
struct Action {
    Step step;
    std::uint8_t arg; // scan: format index; read_line and read_bytes: a length
};

// The actions run on the text by the stdio backend, by the fast backend over
// the whole text and by the fast backend fed `piece` bytes at a time, each
// ending with a read of what is left. Empty when all three agree, else the
// first difference.
std::string reader_difference(std::string_view text, std::span<const Action> actions, std::size_t piece);

// One fscanf call with the whole format against the stdio backend's
// composition of one-directive calls: count, targets and what is left.
std::string whole_scan_difference(std::string_view text, const ScanFormat& format);

// The format printed with these values by both backends.
std::string print_difference(const PrintFormat& format, double d, int i, std::string_view s);

// Exact text of a double (its bits and its hexadecimal value) for messages.
std::string describe(double v);

} // namespace equivalence
