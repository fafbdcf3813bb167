#include "plyunpack/vertex_source.hpp"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace plyunpack {

namespace {

// A blank within a line of an ASCII file.
bool is_blank(int c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// A line ends at LF, CR LF or a bare CR: CR ends it, and an LF after it is an
// empty line, passed over between records.
bool ends_line(int c)
{
    return c == '\n' || c == '\r';
}

} // namespace

BlockInput::BlockInput(pipeline::Reader& in, std::size_t block_size, const std::string& first_bytes)
    : in_(in), buffer_(std::max(block_size, first_bytes.size()))
{
    std::copy(first_bytes.begin(), first_bytes.end(), buffer_.begin());
    end_ = first_bytes.size();
}

bool BlockInput::refill()
{
    next_ = 0;
    end_ = in_.read_bytes(std::span<char>(buffer_.data(), buffer_.size()));
    return end_ > 0;
}

bool BlockInput::read(std::span<unsigned char> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (next_ == end_ && !refill())
            return false;
        const std::size_t n = std::min(bytes.size() - done, end_ - next_);
        std::memcpy(bytes.data() + done, buffer_.data() + next_, n);
        next_ += n;
        done += n;
    }
    return true;
}

std::string_view BlockInput::word(std::string& spill, std::size_t keep)
{
    const auto word_end = [this](std::size_t i) {
        while (i < end_ && !is_blank(buffer_[i]) && !ends_line(buffer_[i]))
            ++i;
        return i;
    };
    std::size_t i = word_end(next_);
    if (i < end_) { // the common case: the word lies in the block
        const std::string_view w(buffer_.data() + next_, std::min(i - next_, keep));
        next_ = i;
        return w;
    }
    spill.clear();
    for (;;) {
        if (spill.size() < keep)
            spill.append(buffer_.data() + next_, std::min(i - next_, keep - spill.size()));
        next_ = i;
        if (i < end_ || !refill())
            return spill;
        i = word_end(next_);
    }
}

bool BlockInput::skip(std::uint64_t count)
{
    while (count > 0) {
        if (next_ == end_ && !refill())
            return false;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, end_ - next_));
        next_ += n;
        count -= n;
    }
    return true;
}

double as_coordinate(const Number& value)
{
    return value.integral ? static_cast<double>(value.integer) : value.real;
}

bool as_colour(const Number& value, Type type, int& colour)
{
    if (type == Type::uint16) { // 65535 = 255 x 257: the quotient never ends in exactly .5
        colour = static_cast<int>((value.integer + 128) / 257);
        return true;
    }
    if (value.integral) {
        if (value.integer < INT_MIN || value.integer > INT_MAX)
            return false;
        colour = static_cast<int>(value.integer);
        return true;
    }
    if (std::isnan(value.real))
        return false;
    colour = static_cast<int>(std::lround(std::clamp(value.real * 255.0, 0.0, 255.0)));
    return true;
}

Number decode(Type type, const unsigned char* bytes, bool big_endian)
{
    const std::size_t size = size_of(type);
    std::uint64_t bits = 0; // the value's bits, least significant byte first
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t from = big_endian ? size - 1 - i : i;
        bits |= static_cast<std::uint64_t>(bytes[from]) << (8 * i);
    }
    Number n;
    switch (type) {
    case Type::int8: n.integer = static_cast<std::int8_t>(bits); break;
    case Type::uint8: n.integer = static_cast<std::uint8_t>(bits); break;
    case Type::int16: n.integer = static_cast<std::int16_t>(bits); break;
    case Type::uint16: n.integer = static_cast<std::uint16_t>(bits); break;
    case Type::int32: n.integer = static_cast<std::int32_t>(bits); break;
    case Type::uint32: n.integer = static_cast<std::uint32_t>(bits); break;
    case Type::float32:
        n.integral = false;
        n.real = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        break;
    case Type::float64:
        n.integral = false;
        n.real = std::bit_cast<double>(bits);
        break;
    }
    return n;
}

bool parse_word(std::string_view word, Type type, Number& value)
{
    if (word.empty())
        return false;
    if (is_integral(type)) {
        const char* first = word.data();
        const char* last = word.data() + word.size();
        if (*first == '+' && word.size() > 1 && word[1] != '-')
            ++first;
        std::int64_t integer = 0;
        const auto [end, error] = std::from_chars(first, last, integer);
        if (error != std::errc() || end != last)
            return false;
        std::int64_t low = 0, high = 0;
        switch (type) {
        case Type::int8: low = INT8_MIN, high = INT8_MAX; break;
        case Type::uint8: high = UINT8_MAX; break;
        case Type::int16: low = INT16_MIN, high = INT16_MAX; break;
        case Type::uint16: high = UINT16_MAX; break;
        case Type::int32: low = INT32_MIN, high = INT32_MAX; break;
        default: high = UINT32_MAX; break;
        }
        if (integer < low || integer > high)
            return false;
        value = Number{true, integer, 0};
        return true;
    }
    // strtod is the conversion behind "%lf": the same words give the same
    // doubles. A decimal word (digits or a point after the sign) that
    // fast_float reads whole and in range is the correctly rounded double
    // strtod would give; every other word (a '+' sign aside: inf, nan,
    // hexadecimal, out of range, not a number) goes to strtod itself.
    const char* first = word.data() + (word[0] == '+');
    const char* last = word.data() + word.size();
    const char* digits = first + (word[0] != '+' && *first == '-');
    if (digits != last && ((*digits >= '0' && *digits <= '9') || *digits == '.')) {
        double real = 0;
        const auto [end, error] = fast_float::from_chars(first, last, real);
        if (error == std::errc() && end == last && std::isfinite(real)) {
            value = Number{false, 0, real};
            return true;
        }
    }
    const std::string text(word); // strtod reads up to a NUL
    char* end = nullptr;
    const double real = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size())
        return false;
    value = Number{false, 0, real};
    return true;
}

Type stored_type(const Property& property, bool is_colour)
{
    return is_colour && property.type == Type::int16 ? Type::uint16 : property.type;
}

VertexSource::VertexSource(pipeline::Reader& in, const PlyHeader& header, std::size_t block_size)
    : header_(header), input_(in, block_size, header.data_start), role_(header.vertices().properties.size(), -1)
{
    for (int field = 0; field < field_count; ++field)
        role_[header.fields[field]] = field;
    for (std::size_t p = 0; p < role_.size(); ++p)
        type_.push_back(stored_type(header.vertices().properties[p], role_[p] >= field_red));
}

bool VertexSource::skip_leading_elements()
{
    for (std::size_t e = 0; e < header_.vertex_element; ++e) {
        const Element& element = header_.elements[e];
        for (std::uint64_t i = 0; i < element.count; ++i)
            if (record(element, nullptr) == Record::end)
                return false;
    }
    return true;
}

Outcome VertexSource::next(Vertex& vertex)
{
    switch (record(header_.vertices(), &vertex)) {
    case Record::complete: return Outcome::vertex;
    case Record::malformed: return Outcome::malformed;
    case Record::end: break;
    }
    return Outcome::end;
}

VertexSource::Record VertexSource::record(const Element& element, Vertex* vertex)
{
    return header_.format == Format::ascii ? ascii_record(element, vertex) : binary_record(element, vertex);
}

bool VertexSource::keep(std::size_t property, const Number& value, Vertex& vertex) const
{
    switch (role_[property]) {
    case field_x: vertex.x = as_coordinate(value); return true;
    case field_y: vertex.y = as_coordinate(value); return true;
    case field_z: vertex.z = as_coordinate(value); return true;
    case field_red: return as_colour(value, type_[property], vertex.r);
    case field_green: return as_colour(value, type_[property], vertex.g);
    case field_blue: return as_colour(value, type_[property], vertex.b);
    default: return true;
    }
}

VertexSource::Record VertexSource::binary_record(const Element& element, Vertex* vertex)
{
    const bool big_endian = header_.format == Format::binary_big_endian;
    unsigned char bytes[8];
    bool complete = true;
    Vertex read;
    for (std::size_t p = 0; p < element.properties.size(); ++p) {
        const Property& property = element.properties[p];
        if (property.is_list) {
            const std::size_t count_size = size_of(property.count_type);
            if (!input_.read(std::span<unsigned char>(bytes, count_size)))
                return Record::end;
            const Number count = decode(property.count_type, bytes, big_endian);
            // A negative count leaves no way to find where the next record starts.
            if (count.integer < 0)
                return Record::end;
            if (!input_.skip(static_cast<std::uint64_t>(count.integer) * size_of(property.type)))
                return Record::end;
            continue;
        }
        const std::size_t size = size_of(property.type);
        if (!input_.read(std::span<unsigned char>(bytes, size)))
            return Record::end;
        if (vertex && !keep(p, decode(type_[p], bytes, big_endian), read))
            complete = false;
    }
    if (!complete)
        return Record::malformed;
    if (vertex)
        *vertex = read;
    return Record::complete;
}

bool VertexSource::word_on_line(std::string_view& word)
{
    int c = input_.peek();
    for (; is_blank(c); c = input_.peek())
        input_.get();
    if (ends_line(c) || c == -1)
        return false;
    // Words longer than any number are kept short: they cannot be read anyway.
    constexpr std::size_t longest = 4096;
    word = input_.word(word_, longest + 1);
    if (word.size() > longest) {
        if (word.data() != word_.data())
            word_.assign(word);
        word_.back() = '\n'; // no number holds a line end
        word = word_;
    }
    return true;
}

void VertexSource::drop_rest_of_line()
{
    for (int c = input_.get(); c != -1 && !ends_line(c); c = input_.get()) {
    }
}

VertexSource::Record VertexSource::ascii_record(const Element& element, Vertex* vertex)
{
    // Blank lines between records are passed over.
    for (int c = input_.peek(); is_blank(c) || ends_line(c); c = input_.peek())
        input_.get();
    if (input_.peek() == -1)
        return Record::end;
    if (!vertex) { // a record of an element before the vertices: its line is dropped
        drop_rest_of_line();
        return Record::complete;
    }
    Vertex read;
    bool complete = true;
    Number value;
    std::string_view word;
    for (std::size_t p = 0; p < element.properties.size() && complete; ++p) {
        const Property& property = element.properties[p];
        if (property.is_list) {
            Number count;
            complete = word_on_line(word) && parse_word(word, property.count_type, count) && count.integer >= 0;
            for (std::int64_t i = 0; complete && i < count.integer; ++i)
                complete = word_on_line(word) && parse_word(word, property.type, value);
            continue;
        }
        complete = word_on_line(word) && parse_word(word, type_[p], value) && keep(p, value, read);
    }
    // A line with more values than the element has properties is no vertex either.
    if (complete && word_on_line(word))
        complete = false;
    drop_rest_of_line();
    if (!complete)
        return Record::malformed;
    *vertex = read;
    return Record::complete;
}

} // namespace plyunpack
