// Backend of Reader and Writer on C stdio: every primitive is one fscanf or
// fprintf directive, so the behaviour is glibc's by construction.
#include "line_io_backend.hpp"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace pipeline {

struct Reader::Impl {
    std::FILE* file = nullptr;
    bool owned = true;
    std::string text; // the bytes a string reader reads from

    ~Impl()
    {
        if (file && owned)
            std::fclose(file);
    }
};

struct Writer::Impl {
    std::FILE* file = nullptr;
    bool owned = true;
    bool failed = false;
    char* memory = nullptr; // buffer of an in-memory writer
    std::size_t memory_size = 0;

    ~Impl()
    {
        if (file && owned)
            std::fclose(file);
        std::free(memory);
    }
};

Reader::Reader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Reader::Reader(Reader&&) noexcept = default;
Reader& Reader::operator=(Reader&&) noexcept = default;
Reader::~Reader() = default;

std::optional<Reader> Reader::open(const std::string& name)
{
    auto impl = std::make_unique<Impl>();
    impl->file = std::fopen(name.c_str(), "r");
    if (!impl->file)
        return std::nullopt;
    return Reader(std::move(impl));
}

Reader Reader::over_text(std::string_view text)
{
    auto impl = std::make_unique<Impl>();
    impl->text = std::string(text);
    // fmemopen reads exactly the given bytes; an empty text still needs a buffer.
    impl->file = fmemopen(impl->text.data(), impl->text.size(), "r");
    if (!impl->file)
        throw std::bad_alloc();
    return Reader(std::move(impl));
}

Reader Reader::standard_input()
{
    auto impl = std::make_unique<Impl>();
    impl->file = stdin;
    impl->owned = false;
    return Reader(std::move(impl));
}

bool Reader::read_line(std::string& line, std::size_t max_chars)
{
    line.clear();
    while (line.size() < max_chars) {
        const int c = std::getc(impl_->file);
        if (c == EOF)
            break;
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !line.empty();
}

std::size_t Reader::read_bytes(std::span<char> bytes)
{
    return std::fread(bytes.data(), 1, bytes.size(), impl_->file);
}

bool Reader::at_end()
{
    const int c = std::getc(impl_->file);
    if (c == EOF)
        return true;
    std::ungetc(c, impl_->file);
    return false;
}

void Reader::rewind()
{
    std::rewind(impl_->file);
}

Writer::Writer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Writer::Writer(Writer&&) noexcept = default;
Writer& Writer::operator=(Writer&&) noexcept = default;
Writer::~Writer() = default;

std::optional<Writer> Writer::open(const std::string& name, const char* mode)
{
    auto impl = std::make_unique<Impl>();
    impl->file = std::fopen(name.c_str(), mode);
    if (!impl->file)
        return std::nullopt;
    return Writer(std::move(impl));
}

Writer Writer::standard_output()
{
    auto impl = std::make_unique<Impl>();
    impl->file = stdout;
    impl->owned = false;
    return Writer(std::move(impl));
}

Writer Writer::in_memory()
{
    auto impl = std::make_unique<Impl>();
    impl->file = open_memstream(&impl->memory, &impl->memory_size);
    if (!impl->file)
        throw std::bad_alloc();
    return Writer(std::move(impl));
}

std::string Writer::memory_text()
{
    flush();
    return impl_->memory ? std::string(impl_->memory, impl_->memory_size) : std::string();
}

void Writer::text(std::string_view bytes)
{
    backend::write_bytes(*impl_, bytes);
}

bool Writer::flush()
{
    if (!impl_->file)
        return !impl_->failed;
    if (std::fflush(impl_->file) != 0)
        impl_->failed = true;
    return !impl_->failed;
}

bool Writer::close()
{
    if (!impl_->file)
        return !impl_->failed;
    if (!impl_->owned)
        return flush();
    if (std::fclose(impl_->file) != 0)
        impl_->failed = true;
    impl_->file = nullptr;
    return !impl_->failed;
}

bool Writer::failed() const
{
    return impl_->failed || (impl_->file && std::ferror(impl_->file));
}

namespace backend {

namespace {
template <class T>
int scan_one(Reader::Impl& in, const char* directive, T& value)
{
    T read{};
    const int r = std::fscanf(in.file, directive, &read);
    if (r == 1)
        value = read;
    return r == EOF ? fin_de_fichier : r;
}
} // namespace

int convert_double(Reader::Impl& in, double& value) { return scan_one(in, "%lf", value); }
int convert_float(Reader::Impl& in, float& value) { return scan_one(in, "%f", value); }
int convert_decimal(Reader::Impl& in, int& value) { return scan_one(in, "%d", value); }
int convert_integer(Reader::Impl& in, int& value) { return scan_one(in, "%i", value); }

int convert_word(Reader::Impl& in, std::string& word)
{
    int c = std::getc(in.file);
    while (c != EOF && (c == ' ' || (c >= '\t' && c <= '\r')))
        c = std::getc(in.file);
    if (c == EOF)
        return fin_de_fichier;
    std::string read;
    while (c != EOF && !(c == ' ' || (c >= '\t' && c <= '\r'))) {
        read.push_back(static_cast<char>(c));
        c = std::getc(in.file);
    }
    if (c != EOF)
        std::ungetc(c, in.file);
    word = std::move(read);
    return 1;
}

void skip_blanks(Reader::Impl& in)
{
    (void)std::fscanf(in.file, " ");
}

int match_char(Reader::Impl& in, char c)
{
    const int got = std::getc(in.file);
    if (got == EOF)
        return fin_de_fichier;
    if (got != static_cast<unsigned char>(c)) {
        std::ungetc(got, in.file);
        return 0;
    }
    return 1;
}

void write_fixed(Writer::Impl& out, double value, int decimals)
{
    if (std::fprintf(out.file, decimals == 1 ? "%.1f" : "%f", value) < 0)
        out.failed = true;
}

void write_int(Writer::Impl& out, int value)
{
    if (std::fprintf(out.file, "%d", value) < 0)
        out.failed = true;
}

void write_bytes(Writer::Impl& out, std::string_view bytes)
{
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out.file) != bytes.size())
        out.failed = true;
}

} // namespace backend

} // namespace pipeline
