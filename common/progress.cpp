#include "progress.hpp"

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
        std::fputs(("\r" + line(program_, done_, total_) + "\n").c_str(), stderr);
        std::fflush(stderr);
    }
}

std::string Progress::line(const std::string& program, std::int64_t done, std::int64_t total)
{
    std::string text = program + " : " + std::to_string(done);
    if (total > 0)
        text += " / " + std::to_string(total) + " points (" + std::to_string(done * 100 / total) + " %)";
    else
        text += " points";
    return text;
}

void Progress::show()
{
    next_ = done_ + pas_affichage;
    shown_ = true;
    std::fputs(("\r" + line(program_, done_, total_)).c_str(), stderr);
    std::fflush(stderr);
}

} // namespace pipeline
