#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace program_test {

namespace fs = std::filesystem;

std::string slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void spit(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

WorkDir::WorkDir()
{
    std::string pattern = (fs::temp_directory_path() / "rugosite-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

WorkDir::~WorkDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void WorkDir::write(const std::string& name, const std::string& bytes) const
{
    spit(path_ / name, bytes);
}

std::string WorkDir::read(const std::string& name) const
{
    EXPECT_TRUE(exists(name)) << name << " is missing";
    return slurp(path_ / name);
}

bool WorkDir::exists(const std::string& name) const
{
    return fs::exists(path_ / name);
}

std::map<std::string, std::string> WorkDir::files() const
{
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::directory_iterator(path_))
        if (entry.is_regular_file())
            all[entry.path().filename().string()] = slurp(entry.path());
    return all;
}

std::string program_path(const std::string& program)
{
    // The tests are built beside the programs, in the build's bin/.
    return (fs::read_symlink("/proc/self/exe").parent_path() / program).string();
}

RunResult run(const std::string& program, const std::vector<std::string>& args, const WorkDir& dir,
              const std::optional<std::string>& input)
{
    return run_executable(program_path(program), args, dir.path(), {}, input);
}

RunResult run_executable(const fs::path& exe, const std::vector<std::string>& args, const fs::path& dir,
                         const std::vector<std::string>& environment, const std::optional<std::string>& input)
{
    WorkDir io; // standard streams live outside the working directory
    spit(io.path() / "in", input.value_or(""));
    std::vector<std::string> words{exe.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = environment; // putenv keeps the pointers

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int in = ::open((io.path() / "in").c_str(), O_RDONLY);
        const int out = ::open((io.path() / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open((io.path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            chdir(dir.c_str()) != 0)
            _exit(126);
        for (auto& setting : settings)
            putenv(setting.data());
        execv(argv[0], argv.data());
        _exit(127);
    }
    int wstatus = 0;
    rusage usage{};
    while (wait4(child, &wstatus, 0, &usage) < 0) {
    }
    RunResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.out = slurp(io.path() / "out");
    result.err = slurp(io.path() / "err");
    result.peak_kb = usage.ru_maxrss;
    return result;
}

std::string without_timestamps(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int end = 0; // past a stamp "[d/m/y  h:m:s]" that starts here
        if (text[i] == '[')
            std::sscanf(text.c_str() + i, "[%*[0-9]/%*[0-9]/%*[0-9]  %*[0-9]:%*[0-9]:%*[0-9]]%n", &end);
        out += end > 0 ? "[T]" : text.substr(i, 1);
        i += end > 0 ? static_cast<std::size_t>(end) - 1 : 0;
    }
    return out;
}

} // namespace program_test
