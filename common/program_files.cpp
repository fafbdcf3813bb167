#include "common/program_files.hpp"

#include <cstring>
#include <utility>

namespace pipeline {

ProgramFiles::ProgramFiles(std::span<const FileSpec> files, After after)
{
    files_.reserve(files.size());
    for (const FileSpec& wanted : files) {
        Entry& e = files_.emplace_back(Entry{wanted, std::monostate{}, 0});
        if (failure_ && after == After::stop)
            continue;
        if (std::strcmp(wanted.mode, "r") == 0) {
            if (auto r = Reader::open(wanted.name, &e.error))
                e.file = std::move(*r);
        } else if (auto w = Writer::open(wanted.name, wanted.mode, &e.error)) {
            e.file = std::move(*w);
        }
        if (std::holds_alternative<std::monostate>(e.file) && !failure_)
            failure_ = FileFailure{wanted.name, e.error};
    }
}

bool ProgramFiles::opened(std::size_t k) const
{
    return !std::holds_alternative<std::monostate>(files_[k].file);
}

Reader ProgramFiles::take_reader(std::size_t k)
{
    Reader r = std::move(std::get<Reader>(files_[k].file));
    files_[k].file = std::monostate{};
    return r;
}

std::optional<FileFailure> ProgramFiles::close()
{
    std::optional<FileFailure> first;
    for (Entry& e : files_) {
        if (auto* w = std::get_if<Writer>(&e.file); w && !w->close() && !first)
            first = FileFailure{e.wanted.name, w->error()};
    }
    return first;
}

} // namespace pipeline
