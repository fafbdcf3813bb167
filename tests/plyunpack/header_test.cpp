// Reading PLY headers: what is found in them, which of them is the classic
// layout, and why the others are refused.
#include "ply_header.hpp"

#include <gtest/gtest.h>

using namespace plyunpack;

namespace {

const std::string classic = "ply\nformat ascii 1.0\nelement vertex 12\nproperty float x\nproperty float y\n"
                            "property float z\nproperty float nx\nproperty float ny\nproperty float nz\n"
                            "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";

HeaderResult parse(const std::string& text)
{
    auto in = pipeline::Reader::over_text(text);
    return read_header(in);
}

PlyHeader parsed(const std::string& text)
{
    auto result = parse(text);
    if (auto* e = std::get_if<HeaderError>(&result))
        ADD_FAILURE() << "refused: " << e->reason;
    return std::holds_alternative<PlyHeader>(result) ? std::get<PlyHeader>(result) : PlyHeader{};
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

} // namespace

TEST(PlyHeader, ClassicLayoutIsRecognisedWhateverItsBlanks)
{
    for (const std::string& text :
         {classic, replaced(classic, "\n", "\r\n"), replaced(classic, "property float y", "property \t float  y "),
          replaced(classic, "element vertex 12", "element vertex 0012  "),
          replaced(classic, "end_header", "   end_header") + "1 2 3"}) {
        const PlyHeader h = parsed(text);
        EXPECT_TRUE(h.classic) << text;
        EXPECT_EQ(h.nbr_points(), 12);
        EXPECT_EQ(h.fields, (std::array<std::size_t, field_count>{0, 1, 2, 6, 7, 8}));
    }
}

TEST(PlyHeader, AnyOtherHeaderIsNotTheClassicLayout)
{
    const std::string long_line = "property float x" + std::string(990, ' ');
    for (const std::string& text : {
             replaced(classic, "ascii", "binary_little_endian"),
             replaced(classic, "element", "comment made here\nelement"),
             replaced(classic, "end_header", "property float quality\nend_header"),
             replaced(classic, "property float x", "property double x"),
             replaced(classic, "property uchar red", "property uint8 red"),
             replaced(classic, "end_header", "element face 0\nproperty list uchar int vertex_indices\nend_header"),
             replaced(classic, "element", " element"), // the classic count scan would miss it
             replaced(classic, "property float x", long_line), // read in two pieces before
             replaced(classic, "property float y\n", "property float y\n\n"),
         }) {
        const PlyHeader h = parsed(text);
        EXPECT_FALSE(h.classic) << text;
        EXPECT_EQ(h.nbr_points(), 12);
    }
}

TEST(PlyHeader, ElementsPropertiesAndTypes)
{
    const PlyHeader h = parsed("ply\ncomment first\nformat binary_big_endian 1.0\nobj_info a b c d e f g h i j\n"
                               "element camera 3\nproperty list uint8 uint32 ids\n"
                               "element vertex 4\nproperty char a\nproperty uchar b\nproperty short c\n"
                               "property ushort d\nproperty int e\nproperty uint f\nproperty float g\n"
                               "property double h\nproperty int8 diffuse_red\nproperty uint16 diffuse_green\n"
                               "property int32 diffuse_blue\nproperty float32 z\nproperty float64 y\n"
                               "property list int16 float x\nproperty float64 x\n"
                               "element vertex 99\nproperty float q\nend_header\n");
    EXPECT_EQ(h.format, Format::binary_big_endian);
    ASSERT_EQ(h.elements.size(), 3u);
    EXPECT_EQ(h.vertex_element, 1u);
    EXPECT_EQ(h.nbr_points(), 4);
    EXPECT_EQ(h.elements[0].count, 3u);
    EXPECT_TRUE(h.elements[0].properties[0].is_list);
    EXPECT_EQ(h.elements[0].properties[0].count_type, Type::uint8);
    EXPECT_EQ(h.elements[0].properties[0].type, Type::uint32);
    const Type types[] = {Type::int8,  Type::uint8,   Type::int16,   Type::uint16, Type::int32, Type::uint32,
                          Type::float32, Type::float64, Type::int8, Type::uint16, Type::int32, Type::float32,
                          Type::float64};
    std::size_t sizes = 0;
    for (std::size_t i = 0; i < std::size(types); ++i) {
        EXPECT_EQ(h.vertices().properties[i].type, types[i]) << i;
        sizes += size_of(types[i]);
    }
    EXPECT_EQ(sizes, 1 + 1 + 2 + 2 + 4 + 4 + 4 + 8 + 1 + 2 + 4 + 4 + 8u);
    // x is the scalar property x, not the list of that name; the colour falls
    // back on the diffuse channels.
    EXPECT_EQ(h.fields, (std::array<std::size_t, field_count>{14, 12, 11, 8, 9, 10}));
}

TEST(PlyHeader, LeavesTheInputAtTheFirstDataByte)
{
    const std::string comment = "comment " + std::string(100000, 'c') + "\n"; // of any length
    const std::string data = "\n\x01\x02 data";
    auto in = pipeline::Reader::over_text(replaced(classic, "element", comment + "element") + data);
    ASSERT_TRUE(std::holds_alternative<PlyHeader>(read_header(in)));
    std::string rest(64, '\0');
    rest.resize(in.read_bytes(rest));
    EXPECT_EQ(rest, data);
}

TEST(PlyHeader, RefusesWhatItCannotRead)
{
    const std::string long_word(300, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"", "ce n'est pas un fichier PLY (la premiere ligne n'est pas ply)"},
        {"plyx\n", "ce n'est pas un fichier PLY (la premiere ligne n'est pas ply)"},
        {classic.substr(0, 40), "l'en-tete ne se termine pas (pas de ligne end_header)"},
        {replaced(classic, "1.0", "2.0"), "version de format inconnue (1.0 attendu)"},
        {replaced(classic, "format ascii 1.0\n", ""), "l'en-tete n'a pas de ligne format"},
        {replaced(classic, "end_header", "format ascii 1.0\nend_header"),
         "seconde ligne format a la ligne 13 de l'en-tete"},
        {replaced(classic, "element vertex 12", "property float w\nelement vertex 12"),
         "propriete hors de tout element a la ligne 3 de l'en-tete"},
        {replaced(classic, "vertex 12", "vertex -12"), "nombre d'elements illisible a la ligne 3 de l'en-tete"},
        {replaced(classic, "vertex 12", "vertex 99999999999999999999"),
         "nombre d'elements illisible a la ligne 3 de l'en-tete"},
        {replaced(classic, "vertex 12", "vertex 12 13"), "ligne non reconnue a la ligne 3 de l'en-tete"},
        {replaced(classic, "float nx", "list float int nx"), "type de propriete inconnu a la ligne 7 de l'en-tete"},
        {replaced(classic, "float nx", "list uchar quad nx"), "type de propriete inconnu a la ligne 7 de l'en-tete"},
        {replaced(classic, "float x", "list uchar float x"), "l'element vertex n'a pas de propriete x"},
        {replaced(classic, "property float z", "property float " + long_word),
         "l'element vertex n'a pas de propriete z"},
        {replaced(classic, "end_header", "end_header " + long_word), "ligne non reconnue a la ligne 13 de l'en-tete"},
        {replaced(classic, "end_header", "element vertex 4294967296\nend_header"), ""}, // only the first counts
    };
    for (const auto& [text, reason] : cases) {
        auto result = parse(text);
        if (reason.empty())
            EXPECT_TRUE(std::holds_alternative<PlyHeader>(result));
        else if (const auto* e = std::get_if<HeaderError>(&result))
            EXPECT_EQ(e->reason, reason);
        else
            ADD_FAILURE() << "accepted: " << text;
    }
}
