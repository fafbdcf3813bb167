#include "common/stdio_stream.hpp"

#include <cerrno>
#include <cstdlib>
#include <new>
#include <utility>

namespace pipeline::stdio_backend {

namespace {

template <class T>
int scan_one(std::FILE* file, const char* directive, T& value)
{
    T read{};
    const int r = std::fscanf(file, directive, &read);
    if (r == 1)
        value = read;
    return r == EOF ? fin_de_fichier : r;
}

bool is_space(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

Input::Input(Input&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), owned_(other.owned_), text_(std::move(other.text_))
{
}

Input& Input::operator=(Input&& other) noexcept
{
    if (this != &other) {
        release();
        file_ = std::exchange(other.file_, nullptr);
        owned_ = other.owned_;
        text_ = std::move(other.text_);
    }
    return *this;
}

Input::~Input()
{
    release();
}

void Input::release()
{
    if (file_ && owned_)
        std::fclose(file_);
    file_ = nullptr;
}

std::optional<Input> Input::open(const std::string& name)
{
    std::FILE* file = std::fopen(name.c_str(), "r");
    if (!file)
        return std::nullopt;
    return Input(file, true);
}

Input Input::over_text(std::string_view text)
{
    Input in(nullptr, true);
    in.text_ = std::make_unique<std::string>(text);
    // fmemopen reads exactly the given bytes; an empty text still needs a buffer.
    in.file_ = fmemopen(in.text_->data(), in.text_->size(), "r");
    if (!in.file_)
        throw std::bad_alloc();
    return in;
}

Input Input::standard_input()
{
    return Input(stdin, false);
}

int Input::convert_double(double& value) { return scan_one(file_, "%lf", value); }
int Input::convert_number(NumberText& number)
{
    double value = 0;
    const int r = scan_one(file_, "%lf", value);
    if (r == 1)
        number.hold_value(value);
    return r;
}
int Input::convert_float(float& value) { return scan_one(file_, "%f", value); }
int Input::convert_decimal(int& value) { return scan_one(file_, "%d", value); }
int Input::convert_integer(int& value) { return scan_one(file_, "%i", value); }

int Input::convert_word(std::string& word)
{
    int c = std::getc(file_);
    while (c != EOF && is_space(c))
        c = std::getc(file_);
    if (c == EOF)
        return fin_de_fichier;
    std::string read;
    while (c != EOF && !is_space(c)) {
        read.push_back(static_cast<char>(c));
        c = std::getc(file_);
    }
    if (c != EOF)
        std::ungetc(c, file_);
    word = std::move(read);
    return 1;
}

void Input::skip_blanks()
{
    (void)std::fscanf(file_, " ");
}

int Input::match_char(char c)
{
    const int got = std::getc(file_);
    if (got == EOF)
        return fin_de_fichier;
    if (got != static_cast<unsigned char>(c)) {
        std::ungetc(got, file_);
        return 0;
    }
    return 1;
}

bool Input::read_line(std::string& line, std::size_t max_chars)
{
    line.clear();
    while (line.size() < max_chars) {
        const int c = std::getc(file_);
        if (c == EOF)
            break;
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !line.empty();
}

std::size_t Input::read_bytes(std::span<char> bytes)
{
    return std::fread(bytes.data(), 1, bytes.size(), file_);
}

bool Input::at_end()
{
    const int c = std::getc(file_);
    if (c == EOF)
        return true;
    std::ungetc(c, file_);
    return false;
}

void Input::rewind()
{
    std::rewind(file_);
}

Output::Output(Output&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), owned_(other.owned_), failed_(other.failed_),
      error_(other.error_), memory_(std::move(other.memory_))
{
}

Output& Output::operator=(Output&& other) noexcept
{
    if (this != &other) {
        release();
        file_ = std::exchange(other.file_, nullptr);
        owned_ = other.owned_;
        failed_ = other.failed_;
        error_ = other.error_;
        memory_ = std::move(other.memory_);
    }
    return *this;
}

Output::~Output()
{
    release();
}

void Output::release()
{
    if (file_ && owned_)
        std::fclose(file_);
    file_ = nullptr;
    memory_.reset();
}

Output::Memory::~Memory()
{
    std::free(data);
}

std::optional<Output> Output::open(const std::string& name, const char* mode)
{
    Output out(true);
    out.file_ = std::fopen(name.c_str(), mode);
    if (!out.file_)
        return std::nullopt;
    return out;
}

Output Output::standard_output()
{
    Output out(false);
    out.file_ = stdout;
    return out;
}

Output Output::in_memory()
{
    Output out(true);
    out.memory_ = std::make_unique<Memory>();
    out.file_ = open_memstream(&out.memory_->data, &out.memory_->size);
    if (!out.file_)
        throw std::bad_alloc();
    return out;
}

void Output::write_fixed(double value, int decimals)
{
    if (std::fprintf(file_, decimals == 1 ? "%.1f" : "%f", value) < 0)
        fail();
}

void Output::write_int(int value)
{
    if (std::fprintf(file_, "%d", value) < 0)
        fail();
}

void Output::write_bytes(std::string_view bytes)
{
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        fail();
}

bool Output::flush()
{
    if (!file_)
        return !failed_;
    if (std::fflush(file_) != 0)
        fail();
    return !failed_;
}

std::string Output::memory_text()
{
    flush();
    return memory_ && memory_->data ? std::string(memory_->data, memory_->size) : std::string();
}

bool Output::close()
{
    if (!file_)
        return !failed_;
    if (!owned_)
        return flush();
    if (std::fclose(file_) != 0)
        fail();
    file_ = nullptr;
    return !failed_;
}

bool Output::failed() const
{
    return failed_ || (file_ && std::ferror(file_));
}

int Output::error() const
{
    return error_;
}

void Output::fail()
{
    // The C library sets errno where its write or close failed.
    if (!failed_)
        error_ = errno;
    failed_ = true;
}

} // namespace pipeline::stdio_backend
