// Which headers are the classic layout, and what is found in the others.
#include "ply_header.hpp"

#include <gtest/gtest.h>

using namespace plyunpack;

namespace {

const std::string classic = "ply\nformat ascii 1.0\nelement vertex 12\nproperty float x\nproperty float y\n"
                            "property float z\nproperty float nx\nproperty float ny\nproperty float nz\n"
                            "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";

PlyHeader parsed(const std::string& text)
{
    auto in = pipeline::Reader::over_text(text);
    auto result = read_header(in);
    if (auto* e = std::get_if<HeaderError>(&result))
        ADD_FAILURE() << "refused: " << e->reason;
    return std::holds_alternative<PlyHeader>(result) ? std::get<PlyHeader>(result) : PlyHeader{};
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

} // namespace

TEST(PlyHeader, OnlyTheThirteenClassicLinesAreTheClassicLayout)
{
    for (const std::string& text :
         {classic, replaced(classic, "\n", "\r\n"), replaced(classic, "property float y", "property \t float  y "),
          replaced(classic, "vertex 12", "vertex 0012  "), replaced(classic, "end_header", "   end_header")}) {
        const PlyHeader h = parsed(text);
        EXPECT_TRUE(h.classic) << text;
        EXPECT_EQ(h.nbr_points(), 12);
        EXPECT_EQ(h.fields, (std::array<std::size_t, field_count>{0, 1, 2, 6, 7, 8}));
    }
    for (const std::string& text : {
             replaced(classic, "ascii", "binary_little_endian"),
             replaced(classic, "element", "comment made here\nelement"),
             replaced(classic, "end_header", "property float quality\nend_header"),
             replaced(classic, "property float x", "property double x"),
             replaced(classic, "property uchar red", "property uint8 red"),
             replaced(classic, "end_header", "element face 0\nproperty list uchar int vertex_indices\nend_header"),
             replaced(classic, "element", " element"), // a count that was never read
             replaced(classic, "float x", "float x" + std::string(983, ' ')), // a line read in two pieces
             replaced(classic, "property float y\n", "property float y\n\n"),
         }) {
        const PlyHeader h = parsed(text);
        EXPECT_FALSE(h.classic) << text;
        EXPECT_EQ(h.nbr_points(), 12);
    }
}

TEST(PlyHeader, ElementsPropertiesAndTheirTypes)
{
    const std::string comment = "comment " + std::string(100000, 'c') + "\n"; // lines of any length
    const std::string data = "\n\x01\x02 data";
    auto in = pipeline::Reader::over_text(
        "ply\n" + comment + "format binary_big_endian 1.0\nobj_info a b c d e f g h i j\n"
        "element camera 3\nproperty list uint8 uint32 ids\nelement vertex 4\nproperty char a\nproperty uchar b\n"
        "property short c\nproperty ushort d\nproperty int e\nproperty uint f\nproperty float g\nproperty double h\n"
        "property int8 diffuse_red\nproperty uint16 diffuse_green\nproperty int32 diffuse_blue\nproperty float32 z\n"
        "property float64 y\nproperty list int16 float x\nproperty float64 x\nelement vertex 99\nend_header\n" +
        data);
    const auto result = read_header(in);
    ASSERT_TRUE(std::holds_alternative<PlyHeader>(result));
    const PlyHeader& h = std::get<PlyHeader>(result);
    EXPECT_EQ(h.format, Format::binary_big_endian);
    ASSERT_EQ(h.elements.size(), 3u);
    EXPECT_EQ(h.vertex_element, 1u); // the first vertex element
    EXPECT_EQ(h.nbr_points(), 4);
    const Property& ids = h.elements[0].properties[0];
    EXPECT_TRUE(ids.is_list && ids.count_type == Type::uint8 && ids.type == Type::uint32);
    const Type types[] = {Type::int8,   Type::uint8,   Type::int16, Type::uint16, Type::int32,
                          Type::uint32, Type::float32, Type::float64, Type::int8,  Type::uint16,
                          Type::int32,  Type::float32, Type::float64};
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < std::size(types); ++i) {
        EXPECT_EQ(h.vertices().properties[i].type, types[i]) << i;
        bytes += size_of(types[i]);
    }
    EXPECT_EQ(bytes, 45u);
    // x is the scalar x, not the list of that name; the colour falls back on
    // the diffuse channels.
    EXPECT_EQ(h.fields, (std::array<std::size_t, field_count>{14, 12, 11, 8, 9, 10}));
    std::string rest(64, '\0');
    rest.resize(in.read_bytes(rest));
    EXPECT_EQ(rest, data); // the input is left at the first byte of the data
}
