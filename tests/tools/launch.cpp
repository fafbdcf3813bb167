#include "tests/tools/launch.hpp"

#include "tests/support/program_run.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace tools_test {

Launched launch(const std::filesystem::path& exe, const std::vector<std::string>& args,
                const std::filesystem::path& dir, const std::vector<std::string>& environment)
{
    const program_test::WorkDir io;
    std::vector<std::string> words{exe.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = environment;
    const std::string out = (io.path() / "out").string(), err = (io.path() / "err").string();

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 ||
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
    Launched result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.out = program_test::slurp(out);
    result.err = program_test::slurp(err);
    result.peak_kb = usage.ru_maxrss;
    return result;
}

} // namespace tools_test
