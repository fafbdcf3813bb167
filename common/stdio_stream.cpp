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

// A stream on the file that `open` opens, or empty.
template <class Open>
std::unique_ptr<Stream> stream(Open open)
{
    auto s = std::make_unique<Stream>();
    s->file = open(*s);
    return s->file ? std::move(s) : nullptr;
}

} // namespace

Stream::~Stream()
{
    if (file && owned)
        std::fclose(file);
    std::free(data);
}

std::optional<Input> Input::open(const std::string& name)
{
    auto s = stream([&](Stream&) { return std::fopen(name.c_str(), "r"); });
    return s ? std::optional<Input>(Input(std::move(s))) : std::nullopt;
}

Input Input::over_text(std::string_view text)
{
    // fmemopen reads exactly the given bytes; an empty text still needs a buffer.
    auto s = stream([&](Stream& t) {
        t.text = text;
        return fmemopen(t.text.data(), t.text.size(), "r");
    });
    if (!s)
        throw std::bad_alloc();
    return Input(std::move(s));
}

Input Input::standard_input()
{
    auto s = std::make_unique<Stream>();
    s->file = stdin;
    s->owned = false;
    return Input(std::move(s));
}

int Input::convert_real(double& value) { return scan_one(s_->file, "%lf", value); }
int Input::convert_number(NumberText& number)
{
    double value = 0;
    const int r = scan_one(s_->file, "%lf", value);
    if (r == 1)
        number.hold_value(value);
    return r;
}
int Input::convert_real(float& value) { return scan_one(s_->file, "%f", value); }
int Input::convert_whole(int& value, int base) { return scan_one(s_->file, base == 10 ? "%d" : "%i", value); }

int Input::convert_word(std::string& word)
{
    int c = std::getc(s_->file);
    while (c != EOF && is_space(c))
        c = std::getc(s_->file);
    if (c == EOF)
        return fin_de_fichier;
    std::string read;
    while (c != EOF && !is_space(c)) {
        read.push_back(static_cast<char>(c));
        c = std::getc(s_->file);
    }
    if (c != EOF)
        std::ungetc(c, s_->file);
    word = std::move(read);
    return 1;
}

void Input::skip_blanks()
{
    (void)std::fscanf(s_->file, " ");
}

int Input::match_char(char c)
{
    const int got = std::getc(s_->file);
    if (got == EOF)
        return fin_de_fichier;
    if (got != static_cast<unsigned char>(c)) {
        std::ungetc(got, s_->file);
        return 0;
    }
    return 1;
}

bool Input::read_line(std::string& line, std::size_t max_chars)
{
    line.clear();
    while (line.size() < max_chars) {
        const int c = std::getc(s_->file);
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
    return std::fread(bytes.data(), 1, bytes.size(), s_->file);
}

bool Input::at_end()
{
    const int c = std::getc(s_->file);
    if (c == EOF)
        return true;
    std::ungetc(c, s_->file);
    return false;
}

void Input::rewind()
{
    std::rewind(s_->file);
}

std::optional<Output> Output::open(const std::string& name, const char* mode)
{
    auto s = stream([&](Stream&) { return std::fopen(name.c_str(), mode); });
    return s ? std::optional<Output>(Output(std::move(s))) : std::nullopt;
}

Output Output::standard_output()
{
    auto s = std::make_unique<Stream>();
    s->file = stdout;
    s->owned = false;
    return Output(std::move(s));
}

Output Output::in_memory()
{
    auto s = stream([](Stream& m) { return open_memstream(&m.data, &m.size); });
    if (!s)
        throw std::bad_alloc();
    return Output(std::move(s));
}

void Output::write_fixed(double value, int decimals)
{
    if (std::fprintf(s_->file, decimals == 1 ? "%.1f" : "%f", value) < 0)
        fail();
}

void Output::write_int(int value)
{
    if (std::fprintf(s_->file, "%d", value) < 0)
        fail();
}

void Output::write_bytes(std::string_view bytes)
{
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), s_->file) != bytes.size())
        fail();
}

bool Output::flush()
{
    if (!s_->file)
        return !s_->failed;
    if (std::fflush(s_->file) != 0)
        fail();
    return !s_->failed;
}

std::string Output::memory_text()
{
    flush();
    return s_->data ? std::string(s_->data, s_->size) : std::string();
}

bool Output::close()
{
    if (!s_->file)
        return !s_->failed;
    if (!s_->owned)
        return flush();
    if (std::fclose(s_->file) != 0)
        fail();
    s_->file = nullptr;
    return !s_->failed;
}

int Output::error() const
{
    return s_->error;
}

void Output::fail()
{
    // The C library sets errno where its write or close failed.
    if (!s_->failed)
        s_->error = errno;
    s_->failed = true;
}

} // namespace pipeline::stdio_backend
