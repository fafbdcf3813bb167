// Running any executable (a copied script, a tool) in a working directory, with
// the peak memory of the run. `environment` holds NAME=value settings for it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tools_test {

struct Launched {
    int status = -1;      // exit status, or 128 + signal
    std::string out, err; // standard output and error
    long peak_kb = 0;     // largest resident set of the process, in KiB
};

Launched launch(const std::filesystem::path& exe, const std::vector<std::string>& args,
                const std::filesystem::path& dir, const std::vector<std::string>& environment = {});

} // namespace tools_test
