// Reading and writing the line syntax of the pipeline files.
//
// Every program reads its input files, its command-line words and its keyboard
// answers through `Reader`, and writes its files, its log entries and its screen
// messages through `Writer`. Both take the same format texts as the C library's
// scanf and printf, limited to the conversions the programs use, and behave byte
// for byte as glibc does. The conversions they know are listed in
// format_plan.hpp.
//
// scan returns the number of values converted, or `fin_de_fichier` when the input
// ended before the first conversion; a failed conversion leaves its target as it
// was, and what it could not use stays unread, as with scanf. The format texts are
// literal texts, taken apart and checked against the argument types when the
// program is compiled: a format that does not fit its arguments does not compile.
#pragma once

#include "common/format_plan.hpp"
#include "common/number_text.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace pipeline {

// What scan returns when the input ends before its first conversion (EOF).
inline constexpr int fin_de_fichier = -1;

class Reader {
public:
    // Opens a file for reading (mode "r"); empty when it cannot be opened, a
    // directory among such (it has no lines to read), with the system's error
    // number of the failure in *error when given (errno: ENOENT, EACCES, EISDIR).
    static std::optional<Reader> open(const std::string& name, int* error = nullptr);
    // Reads from a copy of the text, as sscanf reads from a string.
    static Reader over_text(std::string_view text);
    // Reads standard input (not owned: never closed).
    static Reader standard_input();

    Reader(Reader&&) noexcept;
    Reader& operator=(Reader&&) noexcept;
    ~Reader();

    template <class... T>
    int scan(const ScanFormat<std::type_identity_t<T>...>& format, T&... targets)
    {
        void* list[] = {static_cast<void*>(&targets)..., nullptr};
        return scan_targets(format.text(), format.plan(), list);
    }

    // Reads values with the one conversion, "%lf" (as a real or as a
    // NumberText) or "%d", as that many scans of it would, appending them,
    // up to the first scan that would give no value: what it would return.
    template <class T>
    int scan_each(std::vector<T>& values); // double, NumberText or int

    // Reads the rest of the current line, line end included, as fgets does with
    // a buffer of max_chars + 1 bytes: at most max_chars characters are taken, so
    // a longer line is left partly unread. False when nothing could be read.
    bool read_line(std::string& line, std::size_t max_chars = std::string::npos);

    // Reads raw bytes (binary data after a text header): how many were read,
    // fewer than asked only at the end of the input.
    std::size_t read_bytes(std::span<char> bytes);

    // True when no character is left to read.
    bool at_end();

    // Goes back to the start of the input (rewind).
    void rewind();

    struct Impl; // the input itself, defined by the backend

private:
    explicit Reader(std::unique_ptr<Impl> impl);
    int scan_targets(std::string_view text, const format::Plan& plan, void* const* targets);
    std::unique_ptr<Impl> impl_;
};

class Writer {
public:
    // Opens a file with a fopen mode ("w", "w+", "a+", "wx"); empty when it
    // cannot be opened, with the system's error number in *error when given.
    static std::optional<Writer> open(const std::string& name, const char* mode, int* error = nullptr);
    // Writes to standard output (not owned: flushed at exit, never closed).
    static Writer standard_output();
    // Writes to memory; memory_text() gives what was written so far.
    static Writer in_memory();

    Writer(Writer&&) noexcept;
    Writer& operator=(Writer&&) noexcept;
    ~Writer(); // closes an owned file

    template <class... T>
    void print(const PrintFormat<std::type_identity_t<T>...>& format, const T&... values)
    {
        const Value list[] = {to_value(values)..., Value{}};
        print_values(format.text(), format.plan(), list);
    }

    // Writes the bytes as they are, with no conversion.
    void text(std::string_view bytes);

    bool flush();
    // What an in-memory writer holds.
    std::string memory_text();
    // Closes an owned file (standard output is only flushed); false on a write error.
    bool close();
    // The system's error number of the first failed write or close (ENOSPC,
    // EIO...), 0 when none failed or the system gave none.
    int error() const;

    struct Impl; // the output itself, defined by the backend

private:
    using Value = std::variant<std::monostate, double, int, std::string_view, const NumberText*>;
    static Value to_value(double v) { return v; }
    static Value to_value(const NumberText& v) { return &v; }
    static Value to_value(float v) { return static_cast<double>(v); }
    static Value to_value(int v) { return v; }
    static Value to_value(std::string_view v) { return v; }
    static Value to_value(const std::string& v) { return std::string_view(v); }
    static Value to_value(const char* v) { return std::string_view(v); }
    explicit Writer(std::unique_ptr<Impl> impl);
    void print_values(std::string_view text, const format::Plan& plan, const Value* values);
    std::unique_ptr<Impl> impl_;
};

} // namespace pipeline
