// The input of the fast backend of Reader: its own buffer, filled by large
// block reads, with numbers read straight from it (fast_float for the reals
// beyond the common shape), and the C library's own scanf for the texts where
// scanf does something other than a correct parse. Every primitive behaves as
// glibc's scanf does, character for character: what it consumes, what it
// leaves, what it stores and what it returns.
//
// Standard input is read here, flushing stdout first when both are terminals,
// as the C library does before it waits for a typed line.
#pragma once

#include "common/line_io.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pipeline::fast_backend {

// Size of the blocks read from files.
inline constexpr std::size_t read_block = 256 * 1024;

class Input {
public:
    static std::optional<Input> open(const std::string& name);
    static Input over_text(std::string_view text);
    static Input standard_input();
    // Reads the text as a pipe or a terminal hands data over: at most `piece`
    // bytes at each refill (tests of the refills' seams).
    static Input over_text_in_pieces(std::string_view text, std::size_t piece);

    template <class F>
    int convert_real(F& value); // double or float
    int convert_number(NumberText& number);
    int convert_whole(int& value, int base); // base 10 ("%d") or 0 ("%i")
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
        std::size_t piece = 0;       // over_text_in_pieces: the most a read takes
        ~Source();
    };

    explicit Input(std::unique_ptr<Source> owned);
    explicit Input(Source* shared) : s_(shared) {}

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
    template <class Parse>
    const char* parse_held(Parse parse);
    template <class T>
    int convert_with_c_library(const char* directive, T& value);

    std::unique_ptr<Source> owned_;
    Source* s_ = nullptr;
};

} // namespace pipeline::fast_backend
