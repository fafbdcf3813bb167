// Point clouds written by the tests themselves, in any PLY layout.
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

// A property and its value in a record (a vertex, or the index of a record of
// another element); a list holds `items` values: value, value + 1...
struct Column {
    std::string type, name;
    std::function<double(const Point&, int)> value;
    int items = -1; // not a list
    std::string count_type = "uchar";
};
struct Block {
    std::string name; // the records of "vertex" are the points
    int count;
    std::vector<Column> columns;
};

template <class M>
Column column(std::string type, std::string name, M Point::*m)
{
    return {type, name, [m](const Point& p, int) { return static_cast<double>(p.*m); }};
}
inline Column constant(std::string type, std::string name, double v)
{
    return {type, name, [v](const Point&, int) { return v; }};
}

inline void put(std::string& out, const std::string& format, const std::string& type, double v, bool first)
{
    const bool real = type.starts_with("float") || type == "double";
    if (format == "ascii") {
        char s[40];
        std::snprintf(s, sizeof s, real ? " %.17g" : " %.0f", v);
        out += first ? s + 1 : s;
        return;
    }
    const auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    const std::size_t size = type == "double" || has("64")                          ? 8
                             : has("float") || has("32") || type.ends_with("int") ? 4
                             : has("short") || has("16")                          ? 2
                                                                                  : 1;
    const std::uint64_t bits = size == 8 ? std::bit_cast<std::uint64_t>(v)
                               : real    ? std::bit_cast<std::uint32_t>(static_cast<float>(v))
                                         : static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
    for (std::size_t k = 0; k < size; ++k)
        out.push_back(static_cast<char>(bits >> 8 * (format == "binary_big_endian" ? size - 1 - k : k)));
}

// "ply", the format, the extra header lines, the elements, end_header, the data.
inline std::string make_ply(const std::string& format, const std::vector<std::string>& extra,
                            const std::vector<Block>& blocks, const std::vector<Point>& points)
{
    std::string out = "ply\nformat " + format + " 1.0\n";
    for (const auto& line : extra)
        out += line + "\n";
    auto count = [&](const Block& b) { return b.name == "vertex" ? static_cast<int>(points.size()) : b.count; };
    for (const auto& b : blocks) {
        out += "element " + b.name + " " + std::to_string(count(b)) + "\n";
        for (const auto& c : b.columns)
            out += "property " + (c.items < 0 ? "" : "list " + c.count_type + " ") + c.type + " " + c.name + "\n";
    }
    out += "end_header\n";
    for (const auto& b : blocks)
        for (int i = 0; i < count(b); ++i) {
            const Point p = b.name == "vertex" ? points[i] : Point{};
            for (std::size_t j = 0; j < b.columns.size(); ++j) {
                const Column& c = b.columns[j];
                if (c.items >= 0)
                    put(out, format, c.count_type, c.items, j == 0);
                for (int k = 0; k < (c.items < 0 ? 1 : c.items); ++k)
                    put(out, format, c.type, c.value(p, i) + k, j == 0 && c.items < 0);
            }
            if (format == "ascii")
                out += "\n";
        }
    return out;
}

// The classic vertex: x y z nx ny nz as float, red green blue as uchar.
inline std::vector<Column> classic_columns()
{
    return {column("float", "x", &Point::x),   column("float", "y", &Point::y),     column("float", "z", &Point::z),
            column("float", "nx", &Point::nx), column("float", "ny", &Point::ny),   column("float", "nz", &Point::nz),
            column("uchar", "red", &Point::r), column("uchar", "green", &Point::g), column("uchar", "blue", &Point::b)};
}

inline std::string classic_ply(const std::vector<Point>& points)
{
    return make_ply("ascii", {}, {{"vertex", 0, classic_columns()}}, points);
}

} // namespace ply_test
