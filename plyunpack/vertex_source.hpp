// The vertices of a PLY cloud in any of its three formats, one at a time, read
// from the input in large blocks: only x, y, z and the colour are kept.
#pragma once

#include "common/line_io.hpp"
#include "plyunpack/ply_header.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plyunpack {

// The bytes of the input after the text header, fetched a block at a time,
// after those the header reader took past its end.
class BlockInput {
public:
    explicit BlockInput(pipeline::Reader& in, std::size_t block_size = std::size_t(1) << 20,
                        const std::string& first_bytes = {});

    // The next byte, or -1 at the end of the input.
    int get()
    {
        if (next_ == end_ && !refill())
            return -1;
        return static_cast<unsigned char>(buffer_[next_++]);
    }
    int peek()
    {
        if (next_ == end_ && !refill())
            return -1;
        return static_cast<unsigned char>(buffer_[next_]);
    }
    // Copies the next bytes; false when the input ends first.
    bool read(std::span<unsigned char> bytes);
    // Passes over the next bytes; false when the input ends first.
    bool skip(std::uint64_t count);
    // Passes over the bytes up to the next blank, line end or the end of the
    // input, and gives the first `keep` of them: in the block, valid until the
    // next call, or in `spill` when the word goes on in the next block.
    std::string_view word(std::string& spill, std::size_t keep);

private:
    bool refill();
    pipeline::Reader& in_;
    std::vector<char> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

struct Vertex {
    double x = 0, y = 0, z = 0;
    int r = 0, g = 0, b = 0;
};

// A value as stored: integral types keep their integer, floating types their double.
struct Number {
    bool integral = true;
    std::int64_t integer = 0;
    double real = 0;
};

// Turns a stored value into a coordinate (every type) or a colour of the
// declared type: 16-bit integers, 0 to 65535, scaled to 0 to 255 as
// round(v * 255 / 65535); other integers as they are; reals as fractions of
// full intensity, 0 to 1, scaled by 255, rounded to the nearest integer and
// held within 0 to 255. False for a colour that no int can hold, or a real
// colour that is not a number.
double as_coordinate(const Number& value);
bool as_colour(const Number& value, Type type, int& colour);

// The type a property's values are read as: a colour declared short is a
// 16-bit colour, 0 to 65535 (its bits read as unsigned in a binary file).
Type stored_type(const Property& property, bool is_colour);

// A value of a binary file, in the byte order of its format.
Number decode(Type type, const unsigned char* bytes, bool big_endian);

// An ASCII word read as a value of the type: integral types take an optionally
// signed decimal integer within the type's range, floating types a number as
// "%lf" reads it; the whole word must be used.
bool parse_word(std::string_view word, Type type, Number& value);

enum class Outcome {
    vertex,    // a vertex was read
    malformed, // a vertex was passed over: its values could not all be read
    end,       // no further vertex can be read: the input ended, or lost its frame
};

class VertexSource {
public:
    VertexSource(pipeline::Reader& in, const PlyHeader& header, std::size_t block_size = std::size_t(1) << 20);

    // Passes over the elements stored before the vertices; false when the
    // input ends first.
    bool skip_leading_elements();
    // Reads the next vertex.
    Outcome next(Vertex& vertex);

private:
    enum class Record { complete, malformed, end };
    Record binary_record(const Element& element, Vertex* vertex);
    Record ascii_record(const Element& element, Vertex* vertex);
    Record record(const Element& element, Vertex* vertex);
    // ASCII: the next word of the current line; false at the line end.
    bool word_on_line(std::string_view& word);
    void drop_rest_of_line();
    bool keep(std::size_t property, const Number& value, Vertex& vertex) const;

    const PlyHeader& header_;
    BlockInput input_;
    std::vector<int> role_;   // the field of each vertex property, or -1
    std::vector<Type> type_;  // the type each vertex property is read as
    std::string word_;
};

} // namespace plyunpack
