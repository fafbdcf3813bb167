// Writing a file of many lines on two cores.
#pragma once

#include "common/line_io.hpp"

#include <functional>

namespace pipeline {

// Writes `count` lines, line(writer, i) writing line i; `values` is how many
// numbers they hold in all. A large file is formatted on two cores: the odd
// lines into memory on a thread of their own, the even ones straight into the
// file, and the text goes out in order.
void write_lines(Writer& out, int count, long long values, const std::function<void(Writer&, int)>& line);

} // namespace pipeline
