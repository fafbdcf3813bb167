// Point clouds written by the tests themselves, in the classic 13-line layout
// and in the other PLY layouts that tools write.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace ply_test {

struct Point {
    double x, y, z, nx, ny, nz;
    int r, g, b;
};

// A property of an element: its type, its name and its value for a record (a
// vertex, or the index of a record of another element). A list has a fixed
// number of items, each of value(record) + item index.
struct Column {
    std::string type;
    std::string name;
    std::function<double(const Point&, int)> value;
    int list_items = -1; // -1: not a list
    std::string count_type = "uchar";
};

struct Block {
    std::string name; // "vertex" takes the points as its records
    int count = 0;    // records of another element
    std::vector<Column> columns;
};

inline Column column(std::string type, std::string name, double Point::*member)
{
    return {std::move(type), std::move(name), [member](const Point& p, int) { return p.*member; }};
}
inline Column column(std::string type, std::string name, int Point::*member)
{
    return {std::move(type), std::move(name), [member](const Point& p, int) { return p.*member; }};
}
inline Column constant(std::string type, std::string name, double v)
{
    return {std::move(type), std::move(name), [v](const Point&, int) { return v; }};
}

inline std::string text_of(double v, bool integral)
{
    char s[64];
    std::snprintf(s, sizeof s, integral ? "%.0f" : "%.17g", v);
    return s;
}

inline void append_binary(std::string& out, const std::string& type, double v, bool big_endian)
{
    std::uint64_t bits = 0;
    std::size_t size = 0;
    if (type == "float" || type == "float32")
        bits = std::bit_cast<std::uint32_t>(static_cast<float>(v)), size = 4;
    else if (type == "double" || type == "float64")
        bits = std::bit_cast<std::uint64_t>(v), size = 8;
    else {
        const auto i = static_cast<std::int64_t>(v);
        size = type.find("char") != std::string::npos || type.find('8') != std::string::npos    ? 1
               : type.find("short") != std::string::npos || type.find("16") != std::string::npos ? 2
                                                                                                 : 4;
        bits = static_cast<std::uint64_t>(i);
    }
    for (std::size_t k = 0; k < size; ++k) {
        const std::size_t shift = 8 * (big_endian ? size - 1 - k : k);
        out.push_back(static_cast<char>((bits >> shift) & 0xff));
    }
}

inline bool is_float_type(const std::string& type)
{
    return type == "float" || type == "float32" || type == "double" || type == "float64";
}

// The whole file: "ply", the format, the extra header lines, the elements and
// end_header, then each element's records in the format.
inline std::string make_ply(const std::string& format, const std::vector<std::string>& extra_lines,
                            const std::vector<Block>& blocks, const std::vector<Point>& points)
{
    std::string out = "ply\nformat " + format + " 1.0\n";
    for (const auto& line : extra_lines)
        out += line + "\n";
    for (const auto& block : blocks) {
        const int count = block.name == "vertex" ? static_cast<int>(points.size()) : block.count;
        out += "element " + block.name + " " + std::to_string(count) + "\n";
        for (const auto& c : block.columns)
            out += c.list_items < 0 ? "property " + c.type + " " + c.name + "\n"
                                    : "property list " + c.count_type + " " + c.type + " " + c.name + "\n";
    }
    out += "end_header\n";
    const bool ascii = format == "ascii";
    const bool big = format == "binary_big_endian";
    auto put = [&](const std::string& type, double v, bool first) {
        if (!ascii)
            return append_binary(out, type, v, big);
        out += (first ? "" : " ") + text_of(v, !is_float_type(type));
    };
    for (const auto& block : blocks) {
        const bool vertex = block.name == "vertex";
        const int count = vertex ? static_cast<int>(points.size()) : block.count;
        for (int i = 0; i < count; ++i) {
            const Point p = vertex ? points[i] : Point{};
            bool first = true;
            for (const auto& c : block.columns) {
                if (c.list_items < 0) {
                    put(c.type, c.value(p, i), first);
                } else {
                    put(c.count_type, c.list_items, first);
                    for (int k = 0; k < c.list_items; ++k)
                        put(c.type, c.value(p, i) + k, false);
                }
                first = false;
            }
            if (ascii)
                out += "\n";
        }
    }
    return out;
}

// The classic columns: x y z nx ny nz as float, red green blue as uchar.
inline std::vector<Column> classic_columns()
{
    return {column("float", "x", &Point::x),    column("float", "y", &Point::y),
            column("float", "z", &Point::z),    column("float", "nx", &Point::nx),
            column("float", "ny", &Point::ny),  column("float", "nz", &Point::nz),
            column("uchar", "red", &Point::r),  column("uchar", "green", &Point::g),
            column("uchar", "blue", &Point::b)};
}

inline std::string classic_ply(const std::vector<Point>& points)
{
    return make_ply("ascii", {}, {{"vertex", 0, classic_columns()}}, points);
}

} // namespace ply_test
