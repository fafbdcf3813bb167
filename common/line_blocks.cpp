#include "common/line_blocks.hpp"

#include "common/read_ahead.hpp"

#include <condition_variable>
#include <cstdint>
#include <string.h> // memrchr
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pipeline {

namespace {

struct Slot {
    std::string text; // storage, grown only: its first `size` bytes are the block
    std::size_t size = 0;
    bool ready = false; // converted
    std::exception_ptr failure;
};

// Block r of a file goes to slot r % slots_per_file: the blocks in flight
// (cut, not yet handed over) and the one the caller holds follow each other.
struct File {
    Reader* reader = nullptr;
    std::string rest;        // what follows the last line end read so far
    bool ended = false;      // everything is read
    std::uint64_t cut = 0;   // blocks cut so far
    std::uint64_t given = 0; // blocks handed over so far
    bool held = false;       // the caller holds block given - 1
    Slot slots[LineBlocks::slots_per_file];

    std::uint64_t ahead() const { return cut - given; }
    bool can_cut() const { return !ended && ahead() + held < LineBlocks::slots_per_file; }
};

} // namespace

struct LineBlocks::State {
    std::vector<File> files;
    Convert convert;
    std::size_t bytes;
    std::mutex m;
    std::condition_variable changed;
    bool stop = false;
    std::thread worker;

    // Cuts the next block of file f into the slot: the text read so far past
    // the last line end, and more, up to and with the last line end of what
    // was read (everything at the end of the file).
    void cut(File& f, Slot& s)
    {
        s.size = f.rest.size();
        s.text.replace(0, s.size, f.rest);
        f.rest.clear();
        while (!f.ended) {
            const std::size_t old = s.size;
            if (s.text.size() < old + bytes)
                s.text.resize(old + bytes);
            const std::size_t n = f.reader->read_bytes(std::span<char>(s.text.data() + old, bytes));
            s.size = old + n;
            f.ended = n < bytes;
            if (f.ended)
                break;
            if (const void* end = memrchr(s.text.data() + old, '\n', n)) {
                const std::size_t kept = static_cast<std::size_t>(static_cast<const char*>(end) - s.text.data()) + 1;
                f.rest.assign(s.text, kept, s.size - kept);
                s.size = kept;
                break;
            }
        }
    }

    // Under the lock: converts a block of file `only` (any file when -1),
    // cut into a free slot, the file that is least ahead first, the lock
    // released meanwhile; false when there is none.
    bool convert_next(std::unique_lock<std::mutex>& lock, int only)
    {
        int file = -1;
        for (int k = 0; k < static_cast<int>(files.size()); ++k) {
            const File& f = files[static_cast<std::size_t>(k)];
            if ((only < 0 || k == only) && f.can_cut() &&
                (file < 0 || f.ahead() < files[static_cast<std::size_t>(file)].ahead()))
                file = k;
        }
        if (file < 0)
            return false;
        File& f = files[static_cast<std::size_t>(file)];
        const int slot = static_cast<int>(f.cut++ % slots_per_file);
        Slot& s = f.slots[slot];
        s.ready = false;
        s.failure = nullptr;
        cut(f, s);
        lock.unlock();
        try {
            convert(file, slot, std::string_view(s.text.data(), s.size));
        } catch (...) {
            s.failure = std::current_exception();
        }
        lock.lock();
        s.ready = true;
        changed.notify_all();
        return true;
    }

    void work()
    {
        std::unique_lock lock(m);
        while (!stop)
            if (!convert_next(lock, -1))
                changed.wait(lock);
    }
};

LineBlocks::LineBlocks(std::span<Reader> files, Convert convert, std::size_t bytes)
    : s_(std::make_unique<State>())
{
    s_->files.resize(files.size());
    for (std::size_t k = 0; k < files.size(); ++k)
        s_->files[k].reader = &files[k];
    s_->convert = std::move(convert);
    s_->bytes = bytes;
    // The calling thread converts too, while it waits.
    s_->worker = second_core([state = s_.get()] { state->work(); });
}

LineBlocks::~LineBlocks()
{
    {
        std::lock_guard lock(s_->m);
        s_->stop = true;
    }
    s_->changed.notify_all();
    if (s_->worker.joinable())
        s_->worker.join();
}

int LineBlocks::next(int file)
{
    State& s = *s_;
    File& f = s.files[static_cast<std::size_t>(file)];
    std::unique_lock lock(s.m);
    if (f.held) {
        f.held = false;
        s.changed.notify_all();
    }
    while (true) {
        const int wanted = static_cast<int>(f.given % slots_per_file);
        if (f.ahead() > 0 && f.slots[wanted].ready) {
            f.held = true;
            ++f.given;
            if (f.slots[wanted].failure)
                std::rethrow_exception(f.slots[wanted].failure);
            return wanted;
        }
        if (f.ahead() == 0 && f.ended)
            return -1;
        // The block wanted, when no one converts it yet; else any other.
        if (!s.convert_next(lock, f.ahead() > 0 ? -1 : file))
            s.changed.wait(lock);
    }
}

} // namespace pipeline
