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

namespace pipeline::stdio_backend {

class Input {
public:
    static std::optional<Input> open(const std::string& name);
    static Input over_text(std::string_view text);
    static Input standard_input();

    Input(Input&& other) noexcept;
    Input& operator=(Input&& other) noexcept;
    ~Input();

    int convert_double(double& value);
    int convert_number(NumberText& number);
    int convert_float(float& value);
    int convert_decimal(int& value);
    int convert_integer(int& value);
    int convert_word(std::string& word);
    void skip_blanks();
    int match_char(char c);

    bool read_line(std::string& line, std::size_t max_chars);
    std::size_t read_bytes(std::span<char> bytes);
    bool at_end();
    void rewind();

private:
    Input(std::FILE* file, bool owned) : file_(file), owned_(owned) {}
    void release();

    std::FILE* file_ = nullptr;
    bool owned_ = true;
    std::unique_ptr<std::string> text_; // the bytes a text reader reads from (fixed address)
};

class Output {
public:
    static std::optional<Output> open(const std::string& name, const char* mode);
    static Output standard_output();
    static Output in_memory();

    Output(Output&& other) noexcept;
    Output& operator=(Output&& other) noexcept;
    ~Output();

    void write_fixed(double value, int decimals);
    void write_number(const NumberText& number) { write_fixed(number.value(), 6); }
    void write_int(int value);
    void write_bytes(std::string_view bytes);

    bool flush();
    std::string memory_text();
    bool close();
    bool failed() const;
    int error() const;

private:
    explicit Output(bool owned) : owned_(owned) {}
    void release();
    void fail();

    // Buffer of an in-memory writer, managed by open_memstream, which keeps the
    // addresses of both members: it lives apart so that the Output may move.
    struct Memory {
        char* data = nullptr;
        std::size_t size = 0;
        ~Memory();
    };

    std::FILE* file_ = nullptr;
    bool owned_ = true;
    bool failed_ = false;
    int error_ = 0; // errno of the first failure
    std::unique_ptr<Memory> memory_;
};

} // namespace pipeline::stdio_backend
