// The pictures on their own: the reduced grid behind the map, blank empty
// cells, cells in place, and models drawn from the fitted figures.
#include "tests/rapport/page/exemple.hpp"
#include "tools/rapport/page/figures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

namespace {

using namespace rapport;
using rapport_test::exemple_hauteurs;
using rapport_test::occurrences;

TEST(ReduireGrille, BlocksAverageTheirRealCellsOnly)
{
    // 5 x 3 grid, at most 2 blocks a side: blocks of 3 x 3, the last ones partial.
    std::vector<double> z = {1,   2,   3,   //
                             4,   5,   6,   //
                             7,   8,   NAN, //
                             NAN, NAN, NAN, //
                             NAN, 10,  NAN};
    const auto g = reduire_grille(5, 3, z, 2);
    EXPECT_EQ(std::tuple(g.facteur, g.lignes, g.colonnes), std::tuple(3, 2, 1));
    EXPECT_EQ(g.valeurs, (std::vector<double>{36.0 / 8.0, 10.0}));

    const auto e = reduire_grille(2, 3, std::vector<double>(6, NAN), 1);
    EXPECT_EQ(std::pair(e.lignes, e.colonnes), std::pair(1, 1));
    EXPECT_TRUE(std::isnan(e.valeurs.at(0)));
}

// The filled shapes of a picture as boxes {x0, x1, y0, y1}, in pixels: one
// per drawn cell, then the colour bar's.
std::vector<std::array<double, 4>> filled_boxes(const std::string& svg)
{
    std::vector<std::array<double, 4>> boxes;
    for (std::size_t i = 0; (i = svg.find("<polyline", i)) != std::string::npos; ++i) {
        const std::string tag = svg.substr(i, svg.find('>', i) - i);
        const auto p = tag.find("points=\"");
        if (tag.find("fill=\"none\"") != std::string::npos || p == std::string::npos)
            continue;
        std::istringstream points(tag.substr(p + 8));
        std::array<double, 4> b{1e300, -1e300, 1e300, -1e300};
        double x = 0, y = 0;
        char comma = 0;
        while (points >> x >> comma >> y)
            b = {std::min(b[0], x), std::max(b[1], x), std::min(b[2], y), std::max(b[3], y)};
        boxes.push_back(b);
    }
    return boxes;
}

TEST(CarteSvg, EveryCellIsDrawnAtItsPlaceWithTheSameSize)
{
    if (!svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    // A 10 x 8 manual grid; a 6 x 8 one with four empty cells, left blank; a
    // 300 x 170 one shown by 100 x 57 blocks of 3 x 3, the last column of
    // blocks 2 cells wide. The blocks come first among the filled shapes,
    // before the colour bar.
    struct Cas {
        int lignes, colonnes, blocs_l, blocs_c, pleins;
        std::vector<int> vides;
    };
    for (const Cas& c : {Cas{10, 8, 10, 8, 80, {}}, Cas{6, 8, 6, 8, 44, {0, 9, 10, 47}},
                         Cas{300, 170, 100, 57, 100 * 56, {}}}) {
        SCOPED_TRACE(c.lignes);
        auto cells = filled_boxes(carte_svg(c.lignes, c.colonnes, 2.0, exemple_hauteurs(c.lignes, c.colonnes, c.vides),
                                            "cm", "x", "y", "carte", "g"));
        cells.resize(static_cast<std::size_t>(c.blocs_l) * c.blocs_c - c.vides.size());
        const double largeur = cells[0][1] - cells[0][0], hauteur = cells[0][3] - cells[0][2];
        EXPECT_NEAR(largeur, hauteur, 0.05);
        // Together they span the grid in its proportions.
        std::array<double, 4> tout{1e300, -1e300, 1e300, -1e300};
        for (const auto& b : cells)
            tout = {std::min(tout[0], b[0]), std::max(tout[1], b[1]), std::min(tout[2], b[2]), std::max(tout[3], b[3])};
        const double x = tout[1] - tout[0], y = tout[3] - tout[2];
        EXPECT_NEAR(x / y, static_cast<double>(c.colonnes) / c.lignes, 1e-3);
        EXPECT_NEAR(hauteur, y / c.blocs_l, 0.02);
        int pleins = 0;
        for (const auto& b : cells)
            pleins += std::abs(b[1] - b[0] - largeur) < 0.05 && std::abs(b[3] - b[2] - hauteur) < 0.05;
        EXPECT_EQ(pleins, c.pleins);
    }
}

TEST(FonctionSvg, CurvesNeedPositiveLengthAndPointsNeedPairs)
{
    if (!svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    const SerieMesuree none{"vide", {1, 2, 3}, {NAN, NAN, NAN}, bleu};
    EXPECT_TRUE(fonction_svg({none}, {}, std::nullopt, "t", "cm", "cm²", "d").empty());
    const SerieMesuree some{"mesure", {1, 2, 3}, {0.5, NAN, 1.5}, bleu};
    const CourbeModele bad{"courbe nulle", "exponentiel", 1.0, 0.0, rouge, 1};
    const CourbeModele good{"courbe bonne", "gaussien", 1.0, 2.0, vert, 2};
    const auto svg = fonction_svg({some}, {bad, good}, Plage{1.0, 2.0}, "t", "cm", "cm²", "e");
    EXPECT_EQ(svg.find("courbe nulle"), std::string::npos);
    EXPECT_NE(svg.find("courbe bonne"), std::string::npos);
    EXPECT_EQ(occurrences(svg, "•"), 3u); // two points and the legend's symbol
}

} // namespace
