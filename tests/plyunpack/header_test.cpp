// Which headers are the classic layout, and what is found in the others.
#include "plyunpack/ply_header.hpp"
#include "tests/plyunpack/ply_writer.hpp"

#include <gtest/gtest.h>

using namespace plyunpack;

TEST(PlyHeader, OnlyTheThirteenClassicLinesAreTheClassicLayout)
{
    const std::string classic = ply_test::classic_ply(std::vector<ply_test::Point>(12));
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = classic;
        return text.replace(text.find(from), from.size(), to);
    };
    const std::pair<std::string, bool> cases[] = {
        {classic, true},
        {replaced("\n", "\r\n"), true},
        {replaced("property float y", "property \t float  y "), true},
        {replaced("vertex 12", "vertex 0012  "), true},
        {replaced("end_header", "   end_header"), true},
        {replaced("element", "comment made here\nelement"), false},
        {replaced("end_header", "element face 0\nproperty list uchar int vertex_indices\nend_header"), false},
        {replaced("element", " element"), false},                       // a count that was never read
        {replaced("float x", "float x" + std::string(983, ' ')), false}, // a line read in two pieces
        {replaced("property float y\n", "property float y\n\n"), false},
    };
    for (const auto& [text, is_classic] : cases) {
        auto in = pipeline::Reader::over_text(text);
        const auto result = read_header(in);
        ASSERT_TRUE(std::holds_alternative<PlyHeader>(result)) << text;
        const PlyHeader& h = std::get<PlyHeader>(result);
        EXPECT_EQ(h.classic, is_classic) << text;
        EXPECT_EQ(h.nbr_points(), 12);
        EXPECT_EQ(h.fields, (std::array<std::size_t, field_count>{0, 1, 2, 6, 7, 8}));
    }
}
