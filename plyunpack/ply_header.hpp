// The header of a PLY point cloud: its format, its elements with their counts
// and typed properties, where the vertex coordinates and colours stand, and
// whether it is the classic 13-line layout that the toolkit has always read.
#pragma once

#include "common/line_io.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace plyunpack {

enum class Format { ascii, binary_little_endian, binary_big_endian };

enum class Type { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

// Size in bytes of a value of the type in a binary file.
std::size_t size_of(Type type);
bool is_integral(Type type);

struct Property {
    std::string name;
    Type type = Type::float32; // the type of the value, or of each item of a list
    bool is_list = false;
    Type count_type = Type::uint8; // the type of a list's item count
};

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
};

// Positions, among the properties of the vertex element, of the values taken.
enum Field { field_x, field_y, field_z, field_red, field_green, field_blue, field_count };

struct PlyHeader {
    Format format = Format::ascii;
    std::vector<Element> elements;
    std::size_t vertex_element = 0; // index of the first element named vertex
    std::array<std::size_t, field_count> fields{};
    // ply / format ascii 1.0 / element vertex N / property float x y z nx ny nz /
    // property uchar red green blue / end_header, one per line: the layout whose
    // vertex lines are read with one fixed scan each, as they always were.
    bool classic = false;
    // The bytes the header reader took past the end of the header: the one
    // it read after a bare CR to tell it from CR LF. They start the data.
    std::string data_start;

    const Element& vertices() const { return elements[vertex_element]; }
    // The declared vertex count (the parser refuses counts that do not fit).
    int nbr_points() const { return static_cast<int>(vertices().count); }
};

// Why a header was refused, in French, for the user: the header could not be
// read, or it reads but lacks what the toolkit needs (incomplete).
struct HeaderError {
    std::string reason;
    bool incomplete = false;
};

using HeaderResult = std::variant<PlyHeader, HeaderError>;

// The header's bytes, one at a time.
class HeaderInput {
public:
    explicit HeaderInput(pipeline::Reader& in) : in_(in) {}
    // The next byte, or -1 at the end of the input.
    int get();
    // Gives a byte back, to be read again (one at most).
    void put_back(int c) { pending_ = c; }
    // The byte given back and not read again.
    std::string left_over() const;

private:
    pipeline::Reader& in_;
    int pending_ = -1;
};

// One header line cut into words at blanks and tabs. A line ends at LF, CR LF
// or a bare CR. Lines may be of any length: at most max_words words of at most
// max_word_chars characters are kept, a longer word is cut and marked with a
// trailing line end (so that it equals no name), and the rest of the line is
// read and dropped.
struct HeaderLine {
    static constexpr std::size_t max_words = 8;
    static constexpr std::size_t max_word_chars = 256;
    std::vector<std::string> words;
    bool more_words = false;          // the line held more than max_words words
    std::size_t length = 0;           // characters read, line end included
    bool leading_blank = false;       // the line starts with a blank
    bool ended = false;               // the line end was read (not the end of the input)
    bool bare_cr = false;             // it was a CR without an LF after it
};

// Reads the next line of the header; false when the input had ended.
bool read_header_line(HeaderInput& in, HeaderLine& line);

// Reads the whole header, up to and including the end_header line, and leaves
// the input at the first byte of the data.
HeaderResult read_header(pipeline::Reader& in);

} // namespace plyunpack
