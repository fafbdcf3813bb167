// The fast backend of Reader and Writer: its own buffers, filled and emptied by
// large block reads and writes, numbers read with std::from_chars and written
// with an exact fixed-point formatter, and the C library's conversions kept for
// the rare texts that these do not cover. Every primitive behaves as glibc's
// scanf and printf do, character for character: what it consumes, what it
// leaves, what it stores and what it returns.
//
// Standard output stays on the C library's stdout stream (the bytes are
// formatted here, the stream only buffers them), so that its line buffering on
// a terminal and its order with the output of child processes are those of the
// reference build. Standard input is read here, flushing stdout first when both
// are terminals, as the C library does before it waits for a typed line.
#pragma once

#include "fixed_text.hpp"
#include "line_io.hpp"

#include <charconv>
#include <cstring>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pipeline::fast_backend {

// Size of the blocks read from and written to files.
inline constexpr std::size_t block_size = 256 * 1024;

class Input {
public:
    static std::optional<Input> open(const std::string& name);
    static Input over_text(std::string_view text);
    static Input standard_input();
    // Reads the text as a pipe or a terminal hands data over: at most `piece`
    // bytes at each refill (tests of the refills' seams).
    static Input over_text_in_pieces(std::string_view text, std::size_t piece);

    Input(Input&&) noexcept;
    Input& operator=(Input&&) noexcept;
    ~Input();

    int convert_double(double& value);
    int check_double();
    int convert_float(float& value);
    int convert_decimal(int& value);
    int convert_integer(int& value);
    int convert_word(std::string& word);
    void skip_blanks()
    {
        while (true) {
            const char* p = s_->data.get() + s_->pos;
            const char* end = s_->data.get() + s_->end;
            while (p < end && is_space(static_cast<unsigned char>(*p)))
                ++p;
            s_->pos = static_cast<std::size_t>(p - s_->data.get());
            if (p < end || !fill())
                return;
        }
    }
    int match_char(char c)
    {
        const int got = peek(0);
        if (got == EOF)
            return fin_de_fichier;
        if (got != static_cast<unsigned char>(c))
            return 0;
        take(1);
        return 1;
    }

    bool read_line(std::string& line, std::size_t max_chars);
    std::size_t read_bytes(std::span<char> bytes);
    bool at_end() { return peek(0) == EOF; }
    void rewind();

    static bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    // The buffered input itself. Standard input has one for the whole process,
    // shared by every Reader on it, as the C library's stdin stream is.
    struct Source {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t pos = 0; // next character to read
        std::size_t end = 0; // end of what the buffer holds
        int fd = -1;
        bool close_fd = false;
        bool exhausted = false;      // the source said end of file: sticky until rewind
        bool flush_stdout = false;   // standard input and output are terminals
        std::string pieces;          // the text of over_text_in_pieces
        std::size_t pieces_pos = 0;
        std::size_t piece = 0;
        ~Source();
    };

    explicit Input(std::unique_ptr<Source> owned);
    explicit Input(Source* shared) : s_(shared) {}
    static Source& standard_source();

    // The character `k` places after the next one, reading more when needed
    // (what lies from the next character on stays in the buffer), or EOF.
    int peek(std::size_t k)
    {
        if (s_->pos + k < s_->end)
            return static_cast<unsigned char>(s_->data[s_->pos + k]);
        return peek_filling(k);
    }
    int peek_filling(std::size_t k);
    void take(std::size_t n) { s_->pos += n; }
    // Moves what is left to the front, grows the buffer when it is full, and
    // reads more; false when the source has nothing more.
    bool fill();
    const char* here() const { return s_->data.get() + s_->pos; }
    template <class T>
    int convert_with_c_library(const char* directive, T& value);
    template <class F>
    int convert_floating(F& value);
    int convert_whole(int& value, int base);

    std::unique_ptr<Source> owned_;
    Source* s_ = nullptr;
};

class Output {
public:
    static std::optional<Output> open(const std::string& name, const char* mode);
    static Output standard_output();
    static Output in_memory();

    Output(Output&&) noexcept;
    Output& operator=(Output&&) noexcept;
    ~Output();

    void write_fixed(double value, int decimals)
    {
        Sink& s = *s_;
        if (s.buffered && s.capacity - s.used >= fixed_text_room(decimals))
            s.used = static_cast<std::size_t>(format_fixed(s.data.get() + s.used, value, decimals) - s.data.get());
        else
            write_fixed_slowly(value, decimals);
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
        if (s.buffered && n <= 16 && s.capacity - s.used >= n) {
            copy_short(s.data.get() + s.used, bytes.data(), n);
            s.used += n;
        } else if (s.buffered && s.capacity - s.used >= n) {
            std::memcpy(s.data.get() + s.used, bytes.data(), n);
            s.used += n;
        } else {
            write_bytes_slowly(bytes);
        }
    }

    bool flush();
    std::string memory_text();
    bool close();
    bool failed() const;
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
        Sink* newer = nullptr; // the open files, newest first
        Sink* older = nullptr;
    };

private:
    static constexpr std::size_t int_room = 16;
    // The literal bits of formats are short: copied without a call.
    static void copy_short(char* to, const char* from, std::size_t n)
    {
        if (n >= 8) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else if (n >= 4) {
            std::memcpy(to, from, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n > 0) {
            to[0] = from[0];
            to[n / 2] = from[n / 2];
            to[n - 1] = from[n - 1];
        }
    }
    explicit Output(std::unique_ptr<Sink> sink);
    char* room(std::size_t n);
    void commit(char* end);
    void write_fixed_slowly(double value, int decimals);
    void write_int_slowly(int value);
    void write_bytes_slowly(std::string_view bytes);

    std::unique_ptr<Sink> s_;
};

} // namespace pipeline::fast_backend
