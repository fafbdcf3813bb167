// The reference backend of Reader and Writer, on C stdio: every primitive is
// one fscanf or fprintf directive (or getc, ungetc, fgets-like loops), so its
// behaviour is glibc's by construction. Built into the programs with the
// RUGOSITE_STDIO_REFERENCE option; the equivalence tests run it beside the
// fast backend.
#pragma once

#include "common/line_io.hpp"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace pipeline::stdio_backend {

// A C stream and what it needs while it is open: the bytes a text reader
// reads from, the buffer and size that open_memstream keeps the addresses of.
// It lives apart, so that Input and Output may move.
struct Stream {
    std::FILE* file = nullptr;
    bool owned = true; // closed with the Stream (stdin and stdout are not)
    std::string text;
    char* data = nullptr;
    std::size_t size = 0;
    bool failed = false;
    int error = 0; // errno of the first failure
    ~Stream();
};

class Input {
public:
    static std::optional<Input> open(const std::string& name);
    static Input over_text(std::string_view text);
    static Input standard_input();

    int convert_real(double& value);
    int convert_real(float& value);
    int convert_number(NumberText& number);
    int convert_whole(int& value, int base);
    int convert_word(std::string& word);
    void skip_blanks();
    int match_char(char c);

    bool read_line(std::string& line, std::size_t max_chars);
    std::size_t read_bytes(std::span<char> bytes);
    bool at_end();
    void rewind();

private:
    explicit Input(std::unique_ptr<Stream> s) : s_(std::move(s)) {}
    std::unique_ptr<Stream> s_;
};

class Output {
public:
    static std::optional<Output> open(const std::string& name, const char* mode);
    static Output standard_output();
    static Output in_memory();

    void write_fixed(double value, int decimals);
    void write_number(const NumberText& number) { write_fixed(number.value(), 6); }
    void write_int(int value);
    void write_bytes(std::string_view bytes);

    bool flush();
    std::string memory_text();
    bool close();
    int error() const;

private:
    explicit Output(std::unique_ptr<Stream> s) : s_(std::move(s)) {}
    void fail();
    std::unique_ptr<Stream> s_;
};

} // namespace pipeline::stdio_backend
