#include "common/progress.hpp"

#include <unistd.h>

#include <cstdio>

namespace pipeline {

namespace {
constexpr std::int64_t pas_affichage = 1 << 18; // points between two refreshes
}

Progress::Progress(std::string program, std::int64_t total)
    : program_(std::move(program)), total_(total), terminal_(isatty(STDERR_FILENO) == 1)
{
    next_ = terminal_ ? seuil : INT64_MAX;
}

Progress::~Progress()
{
    if (shown_) {
        const std::string text = line(program_, done_, total_);
        std::fprintf(stderr, "\r%s\n", text.c_str());
        std::fflush(stderr);
    }
}

std::string Progress::line(const std::string& program, std::int64_t done, std::int64_t total)
{
    std::string text = program;
    text.append(" : ").append(std::to_string(done));
    if (total > 0)
        text.append(" / ").append(std::to_string(total)).append(" points (").append(std::to_string(done * 100 / total)).append(" %)");
    else
        text.append(" points");
    return text;
}

void Progress::show()
{
    next_ = done_ + pas_affichage;
    shown_ = true;
    const std::string text = line(program_, done_, total_);
    std::fprintf(stderr, "\r%s", text.c_str());
    std::fflush(stderr);
}

} // namespace pipeline
