// Which headers are the classic layout, and what is found in the others.
#include "plyunpack/ply_header.hpp"

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
             replaced(classic, "element", " element"),                       // a count that was never read
             replaced(classic, "float x", "float x" + std::string(983, ' ')), // a line read in two pieces
             replaced(classic, "property float y\n", "property float y\n\n"),
         }) {
        const PlyHeader h = parsed(text);
        EXPECT_FALSE(h.classic) << text;
        EXPECT_EQ(h.nbr_points(), 12);
    }
}
