// Values and vertices as the binary and ASCII formats store them.
#include "vertex_source.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace plyunpack;

TEST(StoredValues, EveryTypeInBothByteOrders)
{
    const std::tuple<Type, std::vector<unsigned char>, double> cases[] = { // little-endian bytes
        {Type::int8, {0xfe}, -2},
        {Type::uint8, {0xfe}, 254},
        {Type::int16, {0x18, 0xfc}, -1000},
        {Type::uint16, {0x18, 0xfc}, 64536},
        {Type::int32, {0x00, 0x00, 0x00, 0x80}, -2147483648.0},
        {Type::uint32, {0xff, 0xff, 0xff, 0xff}, 4294967295.0},
        {Type::float32, {0x00, 0x00, 0xc0, 0xbf}, -1.5},
        {Type::float64, {0, 0, 0, 0, 0, 0, 0x24, 0x40}, 10.0},
    };
    for (const auto& [type, little, value] : cases) {
        const std::vector<unsigned char> big(little.rbegin(), little.rend());
        for (const Number& n : {decode(type, little.data(), false), decode(type, big.data(), true)}) {
            EXPECT_EQ(n.integral, is_integral(type));
            EXPECT_EQ(as_coordinate(n), value) << static_cast<int>(type);
        }
    }
}

TEST(StoredValues, AsciiWordsAndColours)
{
    Number n;
    for (const auto& [word, type] : std::vector<std::pair<std::string, Type>>{
             {"-128", Type::int8}, {"255", Type::uint8}, {"+7", Type::uint8}, {"-32768", Type::int16},
             {"65535", Type::uint16}, {"-2147483648", Type::int32}, {"4294967295", Type::uint32}}) {
        ASSERT_TRUE(parse_word(word, type, n)) << word;
        EXPECT_EQ(n.integer, std::stoll(word));
    }
    for (const auto& [word, type] : std::vector<std::pair<std::string, Type>>{
             {"128", Type::int8}, {"-1", Type::uint8}, {"256", Type::uint8}, {"1.0", Type::uint8},
             {"0x10", Type::int32}, {"+-1", Type::int16}, {"+", Type::int32}, {"4294967296", Type::uint32},
             {"12a", Type::float32}, {"1e", Type::float64}, {"1,5", Type::float64}})
        EXPECT_FALSE(parse_word(word, type, n)) << word;
    // Reals as "%lf" reads them, whatever their declared precision.
    for (const auto& [word, value] : std::vector<std::pair<std::string, double>>{
             {"0.1", 0.1}, {"-2.5e3", -2500}, {"+.5", 0.5}, {"1e400", INFINITY}, {"0x1p-2", 0.25}}) {
        ASSERT_TRUE(parse_word(word, Type::float32, n)) << word;
        EXPECT_EQ(n.real, value);
    }
    int colour = 7;
    for (const auto& [value, expected] : std::vector<std::pair<Number, int>>{
             {{true, 255, 0}, 255}, {{false, 0, 229.5}, 230}, {{false, 0, 10.49}, 10}, {{false, 0, -0.4}, 0}}) {
        ASSERT_TRUE(as_colour(value, colour));
        EXPECT_EQ(colour, expected);
    }
    for (const Number& refused : {Number{true, 4294967295, 0}, Number{false, 0, NAN}, Number{false, 0, 1e10}})
        EXPECT_FALSE(as_colour(refused, colour));
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
    record(1, 2, 99.5f);
    record(2, 0, NAN); // a colour that is no number: the vertex is left out
    record(3, 1, 0);
    record(4, -1, 0); // a negative count: where the next record starts is lost
    auto in = pipeline::Reader::over_text(file);
    const PlyHeader header = std::get<PlyHeader>(read_header(in));
    VertexSource source(in, header, 5); // blocks smaller than a record
    ASSERT_TRUE(source.skip_leading_elements());
    Vertex v;
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x + v.z + v.r + v.b, 1 + 3 + 100 + 6);
    EXPECT_EQ(source.next(v), Outcome::malformed);
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x + v.r, 3);
    EXPECT_EQ(source.next(v), Outcome::end);
}
