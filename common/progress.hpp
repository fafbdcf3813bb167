// A progress line on standard error for long runs over large clouds.
//
// Shown only when standard error is a terminal and the run has passed a million
// points; standard output and the files never see it.
#pragma once

#include <cstdint>
#include <string>

namespace pipeline {

class Progress {
public:
    // total: the number of points announced, or 0 when it is not known.
    Progress(std::string program, std::int64_t total = 0);
    ~Progress(); // ends the line if one was shown
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void step()
    {
        if (++done_ >= next_)
            show();
    }

    // The line as shown after `done` points, without the leading carriage return.
    static std::string line(const std::string& program, std::int64_t done, std::int64_t total);

    static constexpr std::int64_t seuil = 1'000'000;

private:
    void show();
    std::string program_;
    std::int64_t total_;
    std::int64_t done_ = 0;
    std::int64_t next_;
    bool terminal_;
    bool shown_ = false;
};

} // namespace pipeline
