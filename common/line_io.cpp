// Composition of whole scanf and printf format texts from the backend's
// one-directive primitives, with glibc's rules for counting and stopping.
#include "line_io.hpp"

#include "line_io_backend.hpp"

#include <algorithm>
#include <stdexcept>

namespace pipeline {

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

[[noreturn]] void bad_format(std::string_view format, const char* why)
{
    throw std::logic_error(std::string("format \"") + std::string(format) + "\": " + why);
}


} // namespace

int Reader::scan_targets(std::string_view format, std::span<Target> targets)
{
    if (static_cast<std::size_t>(std::count(format.begin(), format.end(), '%')) != targets.size())
        bad_format(format, "the conversions do not match the targets");
    int done = 0;
    std::size_t next = 0;
    bool skip_space = false;
    // Ends the scan on a failed directive: scanf's count, or EOF when the input
    // ended before anything was converted.
    auto stop = [&](int result) { return result == fin_de_fichier && done == 0 ? fin_de_fichier : done; };

    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (is_blank(c)) {
            skip_space = true;
            continue;
        }
        if (skip_space) {
            backend::skip_blanks(*impl_);
            skip_space = false;
        }
        if (c != '%') {
            const int r = backend::match_char(*impl_, c);
            if (r != 1)
                return stop(r);
            continue;
        }
        std::string_view conv = format.substr(i + 1);
        if (next >= targets.size())
            bad_format(format, "more conversions than targets");
        Target& target = targets[next++];
        int r = 0;
        if (conv.starts_with("lf")) {
            auto* p = std::get_if<double*>(&target);
            if (!p) bad_format(format, "%lf needs a double");
            r = backend::convert_double(*impl_, **p);
            i += 2;
        } else if (conv.starts_with("f")) {
            auto* p = std::get_if<float*>(&target);
            if (!p) bad_format(format, "%f needs a float");
            r = backend::convert_float(*impl_, **p);
            i += 1;
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            auto* p = std::get_if<int*>(&target);
            if (!p) bad_format(format, "%d and %i need an int");
            r = conv[0] == 'd' ? backend::convert_decimal(*impl_, **p) : backend::convert_integer(*impl_, **p);
            i += 1;
        } else if (conv.starts_with("s")) {
            auto* p = std::get_if<std::string*>(&target);
            if (!p) bad_format(format, "%s needs a std::string");
            r = backend::convert_word(*impl_, **p);
            i += 1;
        } else {
            bad_format(format, "unsupported conversion");
        }
        if (r != 1)
            return stop(r);
        ++done;
    }
    if (skip_space)
        backend::skip_blanks(*impl_);
    return done;
}

void Writer::print_values(std::string_view format, std::span<const Value> values)
{
    std::size_t next = 0;
    std::size_t literal = 0;
    auto value = [&]() -> const Value& {
        if (next >= values.size())
            bad_format(format, "more conversions than values");
        return values[next++];
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        backend::write_bytes(*impl_, format.substr(literal, i - literal));
        std::string_view conv = format.substr(i + 1);
        if (conv.starts_with("%")) {
            backend::write_bytes(*impl_, "%");
            i += 1;
        } else if (conv.starts_with("lf") || conv.starts_with("f") || conv.starts_with(".1f")) {
            const auto* v = std::get_if<double>(&value());
            if (!v) bad_format(format, "%lf, %f and %.1f need a double");
            const bool one = conv[0] == '.';
            backend::write_fixed(*impl_, *v, one ? 1 : 6);
            i += one ? 3 : (conv[0] == 'l' ? 2 : 1);
        } else if (conv.starts_with("d") || conv.starts_with("i")) {
            const auto* v = std::get_if<int>(&value());
            if (!v) bad_format(format, "%d and %i need an int");
            backend::write_int(*impl_, *v);
            i += 1;
        } else if (conv.starts_with("s")) {
            const auto* v = std::get_if<std::string_view>(&value());
            if (!v) bad_format(format, "%s needs a text");
            backend::write_bytes(*impl_, *v);
            i += 1;
        } else {
            bad_format(format, "unsupported conversion");
        }
        literal = i + 1;
    }
    if (next != values.size())
        bad_format(format, "more values than conversions");
    backend::write_bytes(*impl_, format.substr(literal));
}

} // namespace pipeline
