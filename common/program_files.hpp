// The files of a program, opened in the program's order and closed together.
//
// A program lists its files once, each with the mode it opens it in ("r" to
// read, a fopen mode to write), and the set opens them in that order. The
// first that can't be opened is named with the system's reason; the ones after
// it are still tried when the program has always created them regardless (a
// file opened "w" is emptied even when an input is missing), or left alone.
// Closing closes every file written, in the same order, and names the first
// whose writing failed.
#pragma once

#include "common/line_io.hpp"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace pipeline {

struct FileSpec {
    const char* name;
    const char* mode; // "r": read; any other: a fopen mode to write
};

// A file that could not be opened or written, with the system's error number.
struct FileFailure {
    const char* name = nullptr;
    int error = 0;
};

class ProgramFiles {
public:
    enum class After { stop, go_on }; // what follows a failed open

    // Opens the files in their order; after a failure, stops or opens the
    // rest as `after` says.
    ProgramFiles(std::span<const FileSpec> files, After after);
    ProgramFiles(std::initializer_list<FileSpec> files, After after)
        : ProgramFiles(std::span<const FileSpec>(files.begin(), files.size()), after)
    {
    }

    // The first file that could not be opened, in the list's order.
    const std::optional<FileFailure>& failure() const { return failure_; }
    bool opened(std::size_t k) const;
    // The system's error number of the k-th file's failed open (0 when none).
    int open_error(std::size_t k) const { return files_[k].error; }

    // The k-th file of the list, which must have been opened in that mode.
    Reader& reader(std::size_t k) { return std::get<Reader>(files_[k].file); }
    Writer& writer(std::size_t k) { return std::get<Writer>(files_[k].file); }
    Reader take_reader(std::size_t k);

    // Closes every file written, in the list's order; the first whose writing
    // or closing failed.
    std::optional<FileFailure> close();

private:
    struct Entry {
        FileSpec wanted;
        std::variant<std::monostate, Reader, Writer> file;
        int error = 0;
    };
    std::vector<Entry> files_;
    std::optional<FileFailure> failure_;
};

} // namespace pipeline
