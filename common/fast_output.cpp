#include "common/fast_output.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace pipeline::fast_backend {

namespace {

std::mutex open_files_mutex;
std::vector<Output::Sink*> open_files; // oldest first

// 0 when every byte is written, or the system's error number.
int write_all(int fd, const char* bytes, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, bytes, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            return errno;
        if (w == 0)
            return EIO;
        bytes += w;
        n -= static_cast<std::size_t>(w);
    }
    return 0;
}

void fail(Output::Sink& s, int error)
{
    if (!s.failed)
        s.error = error;
    s.failed = true;
}

// Writes out what the buffer holds.
void drain(Output::Sink& s)
{
    using Kind = Output::Sink::Kind;
    const char* bytes = s.data.get();
    const std::size_t n = std::exchange(s.used, 0);
    if (n == 0)
        return;
    int error = 0;
    if (s.kind == Kind::file)
        error = s.fd >= 0 ? write_all(s.fd, bytes, n) : EBADF;
    else if (s.kind == Kind::memory)
        s.memory.append(bytes, n);
    else if (std::fwrite(bytes, 1, n, stdout) != n)
        error = errno;
    if (error != 0)
        fail(s, error);
}

void flush_open_files()
{
    const std::lock_guard lock(open_files_mutex);
    for (auto s = open_files.rbegin(); s != open_files.rend(); ++s) // newest first, as the C library
        drain(**s);
}

// The open(2) flags of a fopen mode, or -1 for a mode that fopen refuses.
int open_flags(const char* mode)
{
    int flags = 0;
    switch (mode[0]) {
    case 'r': flags = O_RDONLY; break;
    case 'w': flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case 'a': flags = O_WRONLY | O_CREAT | O_APPEND; break;
    default: return -1;
    }
    for (const char* m = mode + 1; *m && *m != ','; ++m) {
        if (*m == '+')
            flags = (flags & ~O_ACCMODE) | O_RDWR;
        else if (*m == 'x')
            flags |= O_EXCL;
        else if (*m == 'e')
            flags |= O_CLOEXEC;
    }
    return flags;
}

} // namespace

Output::Output(std::unique_ptr<Sink> sink) : s_(std::move(sink)) {}
Output::Output(Output&&) noexcept = default;

Output::~Output()
{
    // Standard output is left to the C library, which flushes it at exit.
    if (s_ && s_->kind == Sink::Kind::file)
        close();
}

std::optional<Output> Output::open(const std::string& name, const char* mode)
{
    const int flags = open_flags(mode);
    if (flags < 0) {
        errno = EINVAL; // as fopen says of a mode it refuses
        return std::nullopt;
    }
    const int fd = ::open(name.c_str(), flags, 0666);
    if (fd < 0)
        return std::nullopt;
    auto sink = std::make_unique<Sink>();
    sink->kind = Sink::Kind::file;
    sink->fd = fd;
    sink->capacity = write_block;
    sink->data = std::make_unique<char[]>(write_block);
    {
        const std::lock_guard lock(open_files_mutex);
        static const bool registered = std::atexit(flush_open_files) == 0;
        (void)registered;
        open_files.push_back(sink.get());
    }
    return Output(std::move(sink));
}

Output Output::standard_output()
{
    auto sink = std::make_unique<Sink>();
    sink->kind = Sink::Kind::standard;
    sink->buffered = false;
    return Output(std::move(sink));
}

Output Output::in_memory()
{
    auto sink = std::make_unique<Sink>();
    sink->kind = Sink::Kind::memory;
    sink->capacity = 4096;
    sink->data = std::make_unique<char[]>(sink->capacity);
    return Output(std::move(sink));
}

char* Output::room(std::size_t n)
{
    Sink& s = *s_;
    if (s.capacity - s.used < n) {
        drain(s);
        if (s.capacity < n) {
            s.capacity = std::max<std::size_t>(n, 4096);
            s.data = std::make_unique<char[]>(s.capacity);
        }
    }
    return s.data.get() + s.used;
}

void Output::commit(char* end)
{
    Sink& s = *s_;
    s.used = static_cast<std::size_t>(end - s.data.get());
    if (s.kind == Sink::Kind::standard)
        drain(s);
}

void Output::write_fixed_slowly(double value, int decimals)
{
    commit(format_fixed(room(fixed_text_room(decimals)), value, decimals));
}

void Output::write_int_slowly(int value)
{
    char* p = room(int_room);
    commit(std::to_chars(p, p + int_room, value).ptr);
}

void Output::write_bytes_slowly(std::string_view bytes)
{
    if (bytes.empty())
        return;
    char* p = room(bytes.size());
    std::memcpy(p, bytes.data(), bytes.size());
    commit(p + bytes.size());
}

bool Output::flush()
{
    Sink& s = *s_;
    drain(s);
    if (s.kind == Sink::Kind::standard && std::fflush(stdout) != 0)
        fail(s, errno);
    return !s.failed;
}

std::string Output::memory_text()
{
    flush();
    return s_->memory;
}

bool Output::close()
{
    Sink& s = *s_;
    if (s.kind != Sink::Kind::file)
        return flush();
    if (s.fd < 0)
        return !s.failed;
    drain(s);
    {
        const std::lock_guard lock(open_files_mutex);
        std::erase(open_files, &s);
    }
    if (::close(s.fd) != 0)
        fail(s, errno);
    s.fd = -1;
    return !s.failed;
}

int Output::error() const
{
    return s_->error;
}

} // namespace pipeline::fast_backend
