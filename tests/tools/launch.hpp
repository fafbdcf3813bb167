// Running any executable (a copied script, a tool) in a working directory, with
// the peak memory of the run. `environment` holds NAME=value settings for it.
#pragma once

#include "program_run.hpp"

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

// The same in two halves, for a run that the test signals while it works: the
// process leads a process group of its own (its id), as a job of a shell does,
// so that a signal to the group reaches it and its children, not the test.
class Started {
public:
    Started(const std::filesystem::path& exe, const std::vector<std::string>& args, const std::filesystem::path& dir,
            const std::vector<std::string>& environment = {});
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    ~Started(); // a run never finished is killed

    int group() const { return pid_; }
    Launched finish(); // waits for the end

private:
    program_test::WorkDir io_; // the two output files
    int pid_ = -1;
};

} // namespace tools_test
