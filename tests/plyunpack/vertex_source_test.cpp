// Values and vertices as the binary and ASCII formats store them.
#include "vertex_source.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace plyunpack;

namespace {

PlyHeader header_of(const std::string& text, pipeline::Reader& in)
{
    in = pipeline::Reader::over_text(text);
    auto result = read_header(in);
    EXPECT_TRUE(std::holds_alternative<PlyHeader>(result));
    return std::holds_alternative<PlyHeader>(result) ? std::get<PlyHeader>(result) : PlyHeader{};
}

} // namespace

TEST(StoredValues, DecodeEveryTypeInBothByteOrders)
{
    struct Case {
        Type type;
        std::vector<unsigned char> little; // the bytes of a little-endian file
        bool integral;
        double value;
    };
    const Case cases[] = {
        {Type::int8, {0xfe}, true, -2},
        {Type::uint8, {0xfe}, true, 254},
        {Type::int16, {0x18, 0xfc}, true, -1000},
        {Type::uint16, {0x18, 0xfc}, true, 64536},
        {Type::int32, {0x00, 0x00, 0x00, 0x80}, true, -2147483648.0},
        {Type::uint32, {0xff, 0xff, 0xff, 0xff}, true, 4294967295.0},
        {Type::float32, {0x00, 0x00, 0xc0, 0xbf}, false, -1.5},
        {Type::float64, {0, 0, 0, 0, 0, 0, 0x24, 0x40}, false, 10.0},
    };
    for (const auto& c : cases) {
        const std::vector<unsigned char> big(c.little.rbegin(), c.little.rend());
        for (const Number& n : {decode(c.type, c.little.data(), false), decode(c.type, big.data(), true)}) {
            EXPECT_EQ(n.integral, c.integral);
            EXPECT_EQ(as_coordinate(n), c.value) << static_cast<int>(c.type);
        }
    }
}

TEST(StoredValues, ColoursAreIntegersOrRoundedReals)
{
    int colour = -1;
    const std::pair<Number, int> kept[] = {
        {{true, 255, 0}, 255}, {{true, -3, 0}, -3}, {{false, 0, 229.5}, 230}, {{false, 0, 10.49}, 10},
        {{false, 0, -0.4}, 0}, {{true, 2147483647, 0}, 2147483647}};
    for (const auto& [value, expected] : kept) {
        ASSERT_TRUE(as_colour(value, colour));
        EXPECT_EQ(colour, expected);
    }
    for (const Number& refused : {Number{true, 4294967295, 0}, Number{false, 0, NAN}, Number{false, 0, 1e10},
                                  Number{false, 0, -INFINITY}}) {
        colour = 7;
        EXPECT_FALSE(as_colour(refused, colour));
        EXPECT_EQ(colour, 7);
    }
}

TEST(StoredValues, AsciiWordsOfEachType)
{
    Number n;
    const std::pair<std::string, Type> good_integers[] = {
        {"-128", Type::int8}, {"255", Type::uint8}, {"+7", Type::uint8}, {"-32768", Type::int16},
        {"65535", Type::uint16}, {"-2147483648", Type::int32}, {"4294967295", Type::uint32}, {"007", Type::int8}};
    for (const auto& [word, type] : good_integers) {
        ASSERT_TRUE(parse_word(word, type, n)) << word;
        EXPECT_EQ(n.integer, std::stoll(word));
    }
    const std::pair<std::string, Type> bad[] = {
        {"128", Type::int8}, {"-1", Type::uint8}, {"256", Type::uint8}, {"1.0", Type::uint8}, {"0x10", Type::int32},
        {"+-1", Type::int16}, {"+", Type::int32}, {"4294967296", Type::uint32}, {"12a", Type::float32},
        {"1e", Type::float64}, {"", Type::float32}, {"1,5", Type::float64}};
    for (const auto& [word, type] : bad)
        EXPECT_FALSE(parse_word(word, type, n)) << word;
    // Reals as "%lf" reads them, whatever their declared precision.
    for (const auto& [word, value] : std::vector<std::pair<std::string, double>>{
             {"0.1", 0.1}, {"-2.5e3", -2500}, {"1", 1}, {"+.5", 0.5}, {"1e400", INFINITY}, {"0x1p-2", 0.25}}) {
        ASSERT_TRUE(parse_word(word, Type::float32, n)) << word;
        EXPECT_FALSE(n.integral);
        EXPECT_EQ(n.real, value);
    }
}

TEST(Blocks, ReadsAndSkipsAcrossBlockBoundaries)
{
    std::string bytes;
    for (int i = 0; i < 100; ++i)
        bytes.push_back(static_cast<char>(i));
    auto in = pipeline::Reader::over_text(bytes);
    BlockInput input(in, 7);
    unsigned char got[20];
    ASSERT_TRUE(input.read(std::span<unsigned char>(got, 20)));
    EXPECT_EQ(got[19], 19);
    ASSERT_TRUE(input.skip(30));
    EXPECT_EQ(input.peek(), 50);
    EXPECT_EQ(input.get(), 50);
    ASSERT_TRUE(input.read(std::span<unsigned char>(got, 9)));
    EXPECT_EQ(got[8], 59);
    EXPECT_FALSE(input.skip(41));
    EXPECT_EQ(input.get(), -1);
}

TEST(Vertices, BinaryRecordsWithListsAndBadColours)
{
    // x and red as little-endian float, then a list of shorts whose count is a char.
    std::string file = "ply\nformat binary_little_endian 1.0\nelement vertex 4\nproperty float x\n"
                       "property float y\nproperty float z\nproperty list char short l\nproperty float red\n"
                       "property uchar green\nproperty uchar blue\nend_header\n";
    auto put_float = [&](float f) {
        unsigned char b[4];
        std::memcpy(b, &f, 4);
        file.append(reinterpret_cast<char*>(b), 4);
    };
    auto record = [&](float x, signed char items, float red) {
        put_float(x), put_float(2), put_float(3);
        file.push_back(static_cast<char>(items));
        file.append(2 * std::max(0, static_cast<int>(items)), 'l');
        put_float(red);
        file += "\x05\x06";
    };
    record(1, 2, 99.5f);
    record(2, 0, NAN); // a colour that is no number: the vertex is left out
    record(3, 1, 0);
    record(4, -1, 0); // a negative count: nothing after it can be found
    pipeline::Reader in = pipeline::Reader::over_text("");
    const PlyHeader header = header_of(file, in);
    VertexSource source(in, header);
    ASSERT_TRUE(source.skip_leading_elements());
    Vertex v;
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x, 1);
    EXPECT_EQ(v.z, 3);
    EXPECT_EQ(v.r, 100);
    EXPECT_EQ(v.b, 6);
    EXPECT_EQ(source.next(v), Outcome::malformed);
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x, 3);
    EXPECT_EQ(v.r, 0);
    EXPECT_EQ(source.next(v), Outcome::end);
}

TEST(Vertices, AsciiElementsBeforeTheVerticesAreSkippedLineByLine)
{
    pipeline::Reader in = pipeline::Reader::over_text("");
    const PlyHeader header = header_of("ply\nformat ascii 1.0\nelement note 2\nproperty list uchar int n\n"
                                       "element vertex 2\nproperty int x\nproperty int y\nproperty int z\n"
                                       "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                                       "end_header\n3 1 2 3\n\n  0\n1 2 3 4 5 6\n7 8 9 10 11 12",
                                       in);
    VertexSource source(in, header);
    ASSERT_TRUE(source.skip_leading_elements());
    Vertex v;
    ASSERT_EQ(source.next(v), Outcome::vertex);
    EXPECT_EQ(v.x, 1);
    EXPECT_EQ(v.b, 6);
    ASSERT_EQ(source.next(v), Outcome::vertex); // the last line has no line end
    EXPECT_EQ(v.z, 9);
    EXPECT_EQ(source.next(v), Outcome::end);
}
