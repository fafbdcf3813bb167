// Reader and Writer on the backend chosen at build time: the fast one, or with
// RUGOSITE_STDIO_REFERENCE the C stdio one that serves as the reference. Both
// go through the same composition of format texts.
#include "common/line_io.hpp"

#include "common/format_compose.hpp"

#ifdef RUGOSITE_STDIO_REFERENCE
#include "common/stdio_stream.hpp"
#else
#include "common/fast_input.hpp"
#include "common/fast_output.hpp"
#endif

#include <sys/stat.h>

#include <cerrno>
#include <type_traits>
#include <utility>

namespace pipeline {

#ifdef RUGOSITE_STDIO_REFERENCE
namespace backend = stdio_backend;
#else
namespace backend = fast_backend;
#endif

struct Reader::Impl {
    backend::Input in;
};

struct Writer::Impl {
    backend::Output out;
};

Reader::Reader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Reader::Reader(Reader&&) noexcept = default;
Reader& Reader::operator=(Reader&&) noexcept = default;
Reader::~Reader() = default;

std::optional<Reader> Reader::open(const std::string& name, int* error)
{
    auto in = backend::Input::open(name);
    // A directory opens, then fails at its first read.
    struct stat status {};
    const bool directory = in && ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    if (!in || directory) {
        if (error)
            *error = directory ? EISDIR : errno;
        return std::nullopt;
    }
    return Reader(std::make_unique<Impl>(Impl{std::move(*in)}));
}

Reader Reader::over_text(std::string_view text)
{
    return Reader(std::make_unique<Impl>(Impl{backend::Input::over_text(text)}));
}

Reader Reader::standard_input()
{
    return Reader(std::make_unique<Impl>(Impl{backend::Input::standard_input()}));
}

int Reader::scan_targets(std::string_view text, const format::Plan& plan, void* const* targets)
{
    return compose::scan(impl_->in, text, plan, targets);
}

template <class T>
int Reader::scan_each(std::vector<T>& values)
{
    for (T value{};; values.push_back(value)) {
        int r = 0;
        if constexpr (std::is_same_v<T, int>)
            r = impl_->in.convert_whole(value, 10);
        else if constexpr (std::is_same_v<T, double>)
            r = impl_->in.convert_real(value);
        else
            r = impl_->in.convert_number(value);
        if (r != 1)
            return r;
    }
}

template int Reader::scan_each(std::vector<double>& values);
template int Reader::scan_each(std::vector<NumberText>& values);
template int Reader::scan_each(std::vector<int>& values);

bool Reader::read_line(std::string& line, std::size_t max_chars)
{
    return impl_->in.read_line(line, max_chars);
}

std::size_t Reader::read_bytes(std::span<char> bytes)
{
    return impl_->in.read_bytes(bytes);
}

bool Reader::at_end()
{
    return impl_->in.at_end();
}

void Reader::rewind()
{
    impl_->in.rewind();
}

Writer::Writer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Writer::Writer(Writer&&) noexcept = default;
Writer& Writer::operator=(Writer&&) noexcept = default;
Writer::~Writer() = default;

std::optional<Writer> Writer::open(const std::string& name, const char* mode, int* error)
{
    auto out = backend::Output::open(name, mode);
    if (!out) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    return Writer(std::make_unique<Impl>(Impl{std::move(*out)}));
}

Writer Writer::standard_output()
{
    return Writer(std::make_unique<Impl>(Impl{backend::Output::standard_output()}));
}

Writer Writer::in_memory()
{
    return Writer(std::make_unique<Impl>(Impl{backend::Output::in_memory()}));
}

void Writer::print_values(std::string_view text, const format::Plan& plan, const Value* values)
{
    compose::print(impl_->out, text, plan, values);
}

void Writer::text(std::string_view bytes)
{
    impl_->out.write_bytes(bytes);
}

bool Writer::flush()
{
    return impl_->out.flush();
}

std::string Writer::memory_text()
{
    return impl_->out.memory_text();
}

bool Writer::close()
{
    return impl_->out.close();
}

int Writer::error() const
{
    return impl_->out.error();
}

} // namespace pipeline
