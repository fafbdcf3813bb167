// Running a built program of the toolkit in a fresh working directory, as a
// user does, and looking at every file it leaves there.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace program_test {

// A fresh empty directory, removed with everything in it at the end of the test.
class WorkDir {
public:
    WorkDir();
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const; // fails the test when missing
    bool exists(const std::string& name) const;
    // Every regular file of the directory (not below it), name to bytes.
    std::map<std::string, std::string> files() const;

private:
    std::filesystem::path path_;
};

struct RunResult {
    int status = -1;  // exit status, or 128 + signal number when killed
    std::string out;  // standard output
    std::string err;  // standard error
    long peak_kb = 0; // largest resident set of the process, in KiB
};

// Full path of a program built in this tree: program_path("reliefstat").
std::string program_path(const std::string& program);

// Runs the program with the directory as its working directory. Standard input
// reads the given text, or is empty when there is none.
RunResult run(const std::string& program, const std::vector<std::string>& args, const WorkDir& dir,
              const std::optional<std::string>& input = std::nullopt);

// Runs any executable (a copied script, a tool) likewise, with NAME=value
// settings added to its environment.
RunResult run_executable(const std::filesystem::path& exe, const std::vector<std::string>& args,
                         const std::filesystem::path& dir, const std::vector<std::string>& environment = {},
                         const std::optional<std::string>& input = std::nullopt);

// The text with every run-log timestamp line "[d/m/y  h:m:s]" replaced by "[T]".
std::string without_timestamps(const std::string& text);

// A file's bytes (empty when missing) and writing bytes to a path.
std::string slurp(const std::filesystem::path& file);
void spit(const std::filesystem::path& file, const std::string& bytes);

} // namespace program_test
