// Values and vertices as the ASCII and binary formats store them.
#include "plyunpack/vertex_source.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace plyunpack;

TEST(StoredValues, WordsOfEachTypeAndColours)
{
    const std::tuple<const char*, Type, bool> words[] = {
        {"-128", Type::int8, true},         {"128", Type::int8, false},        {"65535", Type::uint16, true},
        {"-1", Type::uint8, false},         {"+7", Type::uint8, true},         {"+-1", Type::int16, false},
        {"4294967295", Type::uint32, true}, {"4294967296", Type::uint32, false}, {"1.0", Type::int32, false},
        {"0x10", Type::int32, false},       {"0x1p-2", Type::float32, true},   {"-2.5e3", Type::float32, true},
        {"12a", Type::float64, false},      {"1e", Type::float64, false},      {"1,5", Type::float64, false},
        {"+-1", Type::float64, false},      {"-.5", Type::float64, true},      {"+.5e1", Type::float64, true},
        {"1e400", Type::float64, true},     {"4.9e-324", Type::float64, true}, {"-0X1.8p1", Type::float64, true},
        {"0.1000000000000000055511151231257827", Type::float64, true},        {"-inf", Type::float64, true}};
    for (const auto& [word, type, readable] : words) {
        Number n;
        EXPECT_EQ(parse_word(word, type, n), readable) << word;
        if (readable) { // reals as "%lf" reads them, whatever their declared precision
            EXPECT_EQ(as_coordinate(n), std::strtod(word, nullptr)) << word;
        }
    }
    // Real colours are fractions of full intensity: scaled by 255, rounded, held
    // within 0 to 255 (16-bit and short colours are seen in the program tests).
    int colour = 7;
    for (const auto& [value, scaled] :
         {std::pair{0.517647, 132}, {0.002, 1}, {0.0019, 0}, {1.7, 255}, {-0.4, 0}, {-INFINITY, 0}, {229.5, 255}}) {
        ASSERT_TRUE(as_colour(Number{false, 0, value}, Type::float32, colour)) << value;
        EXPECT_EQ(colour, scaled) << value;
    }
    EXPECT_FALSE(as_colour(Number{true, 4294967295, 0}, Type::uint32, colour)); // NaN: in the records below
}

TEST(Vertices, BinaryRecordsAcrossBlocks)
{
    std::string file = "ply\nformat binary_little_endian 1.0\nelement vertex 4\nproperty float x\n"
                       "property float y\nproperty float z\nproperty list char short l\nproperty float red\n"
                       "property uchar green\nproperty uchar blue\nend_header\n";
    auto record = [&](float x, signed char items, float red) {
        for (const float f : {x, 2.0f, 3.0f})
            file.append(reinterpret_cast<const char*>(&f), 4);
        file.push_back(static_cast<char>(items));
        file.append(2 * std::max(0, static_cast<int>(items)), 'l');
        file.append(reinterpret_cast<const char*>(&red), 4);
        file += "\x05\x06";
    };
    record(1, 2, 0.39f); // 99.45 of 255
    record(2, 0, NAN); // a colour that is no number: the vertex is left out
    record(3, 1, 0);
    record(4, -1, 0); // a negative count: where the next record starts is lost
    auto in = pipeline::Reader::over_text(file);
    const PlyHeader header = std::get<PlyHeader>(read_header(in));
    VertexSource source(in, header, 5); // blocks smaller than a record
    ASSERT_TRUE(source.skip_leading_elements());
    Vertex v;
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x + v.z + v.r + v.b, 1 + 3 + 99 + 6);
    EXPECT_EQ(source.next(v), Outcome::malformed);
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x + v.r, 3);
    EXPECT_EQ(source.next(v), Outcome::end);
}

TEST(Vertices, AsciiWordsAcrossBlocks)
{
    const std::string file = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
                             "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                             "end_header\n1.25 -2e1 +3 4 5 6\n7 " + std::string(5000, '8') + " 9 1 2 3\n"
                             "0.5\t0.25 0.125 255 0 1 extra\n\n-0.0625 1e-3 2 0 0 255";
    for (const std::size_t block : {std::size_t(3), std::size_t(1) << 20}) {
        SCOPED_TRACE(block);
        auto in = pipeline::Reader::over_text(file);
        const PlyHeader header = std::get<PlyHeader>(read_header(in));
        VertexSource source(in, header, block);
        ASSERT_TRUE(source.skip_leading_elements());
        Vertex v;
        ASSERT_EQ(source.next(v), Outcome::vertex);
        EXPECT_EQ(std::tuple(v.x, v.y, v.z, v.r, v.g, v.b), std::tuple(1.25, -20.0, 3.0, 4, 5, 6));
        EXPECT_EQ(source.next(v), Outcome::malformed); // a word longer than any number
        EXPECT_EQ(source.next(v), Outcome::malformed); // a value too many
        ASSERT_EQ(source.next(v), Outcome::vertex);    // the last line, without its line end
        EXPECT_EQ(std::tuple(v.x, v.y, v.b), std::tuple(-0.0625, 1e-3, 255));
        EXPECT_EQ(source.next(v), Outcome::end);
    }
}
