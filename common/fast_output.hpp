// The output of the fast backend of Writer: its own buffer, emptied by large
// block writes, with numbers written by an exact fixed-point formatter (see
// fixed_text.hpp) and std::to_chars. It writes what glibc's printf writes,
// byte for byte.
//
// Standard output stays on the C library's stdout stream (the bytes are
// formatted here, the stream only buffers them), so that its line buffering on
// a terminal and its order with the output of child processes are those of the
// reference build.
#pragma once

#include "common/fixed_text.hpp"
#include "common/line_io.hpp"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pipeline::fast_backend {

// Size of the blocks written to files.
inline constexpr std::size_t write_block = 256 * 1024;

class Output {
public:
    static std::optional<Output> open(const std::string& name, const char* mode);
    static Output standard_output();
    static Output in_memory();

    Output(Output&&) noexcept;
    ~Output();

    void write_fixed(double value, int decimals)
    {
        Sink& s = *s_;
        if (s.buffered && s.capacity - s.used >= fixed_text_room(decimals))
            s.used = static_cast<std::size_t>(format_fixed(s.data.get() + s.used, value, decimals) - s.data.get());
        else
            write_fixed_slowly(value, decimals);
    }
    // "%lf" of a number read with "%lf": its digits copied when they give the
    // same text, else its value formatted.
    void write_number(const NumberText& number)
    {
        Sink& s = *s_;
        char* end = nullptr;
        if (s.buffered && s.capacity - s.used >= 32 && (end = number.copy_as_lf(s.data.get() + s.used)))
            s.used = static_cast<std::size_t>(end - s.data.get());
        else
            write_fixed(number.value(), 6);
    }
    void write_int(int value)
    {
        Sink& s = *s_;
        if (s.buffered && s.capacity - s.used >= int_room)
            s.used = static_cast<std::size_t>(
                std::to_chars(s.data.get() + s.used, s.data.get() + s.capacity, value).ptr - s.data.get());
        else
            write_int_slowly(value);
    }
    void write_bytes(std::string_view bytes)
    {
        Sink& s = *s_;
        const std::size_t n = bytes.size();
        if (s.buffered && s.capacity - s.used >= n) {
            std::memcpy(s.data.get() + s.used, bytes.data(), n);
            s.used += n;
        } else {
            write_bytes_slowly(bytes);
        }
    }

    bool flush();
    std::string memory_text();
    bool close();
    int error() const;

    // The buffered output, at a fixed address: the open files are listed, to
    // be flushed when the process exits, as the C library flushes the streams
    // left open.
    struct Sink {
        enum class Kind { file, memory, standard };
        Kind kind = Kind::file;
        bool buffered = true; // standard output goes to stdout at each write
        int fd = -1;
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        std::string memory;
        bool failed = false;
        int error = 0; // errno of the first failure
    };

private:
    static constexpr std::size_t int_room = 16;
    explicit Output(std::unique_ptr<Sink> sink);
    char* room(std::size_t n);
    void commit(char* end);
    void write_fixed_slowly(double value, int decimals);
    void write_int_slowly(int value);
    void write_bytes_slowly(std::string_view bytes);

    std::unique_ptr<Sink> s_;
};

} // namespace pipeline::fast_backend
