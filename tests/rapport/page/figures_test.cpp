// The pictures on their own: the reduced grid behind the map, blank empty
// cells, and models drawn from the fitted figures.
#include "exemple.hpp"
#include "figures.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace rapport;
using rapport_test::exemple_hauteurs;
using rapport_test::occurrences;

TEST(ReduireGrille, SmallGridIsKeptCellForCell)
{
    const auto z = exemple_hauteurs(3, 4, {5});
    const auto g = reduire_grille(3, 4, z, 100);
    EXPECT_EQ(g.facteur, 1);
    EXPECT_EQ(g.lignes, 3);
    EXPECT_EQ(g.colonnes, 4);
    ASSERT_EQ(g.valeurs.size(), 12u);
    EXPECT_TRUE(std::isnan(g.valeurs[5]));
    EXPECT_DOUBLE_EQ(g.valeurs[6], z[6]);
}

TEST(ReduireGrille, BlocksAverageTheirRealCellsOnly)
{
    // 5 x 3 grid, at most 2 blocks a side: blocks of 3 x 3, the last ones partial.
    std::vector<double> z = {1,   2,   3,   //
                             4,   5,   6,   //
                             7,   8,   NAN, //
                             NAN, NAN, NAN, //
                             NAN, 10,  NAN};
    const auto g = reduire_grille(5, 3, z, 2);
    EXPECT_EQ(g.facteur, 3);
    EXPECT_EQ(g.lignes, 2);
    EXPECT_EQ(g.colonnes, 1);
    ASSERT_EQ(g.valeurs.size(), 2u);
    EXPECT_DOUBLE_EQ(g.valeurs[0], 36.0 / 8.0);
    EXPECT_DOUBLE_EQ(g.valeurs[1], 10.0);

    const std::vector<double> empty(6, NAN);
    const auto e = reduire_grille(2, 3, empty, 1);
    EXPECT_EQ(e.lignes, 1);
    EXPECT_EQ(e.colonnes, 1);
    EXPECT_TRUE(std::isnan(e.valeurs.at(0)));
}

TEST(ReduireGrille, MismatchedSizesGiveNothing)
{
    EXPECT_TRUE(reduire_grille(3, 3, std::vector<double>(8, 1.0), 10).valeurs.empty());
    EXPECT_TRUE(reduire_grille(0, 3, {}, 10).valeurs.empty());
}

// Filled shapes of a map picture: one per drawn cell, plus a fixed number for
// the frame and the colour bar.
std::size_t filled_shapes(const std::string& svg)
{
    return occurrences(svg, "<polyline") - occurrences(svg, "fill=\"none\"");
}

TEST(CarteSvg, EmptyCellsAreLeftBlank)
{
    if (!svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    const auto full = carte_svg(6, 8, 0.5, exemple_hauteurs(6, 8), "cm", "carte", "a");
    const auto holed = carte_svg(6, 8, 0.5, exemple_hauteurs(6, 8, {0, 9, 10, 47}), "cm", "carte", "b");
    ASSERT_FALSE(full.empty());
    ASSERT_FALSE(holed.empty());
    EXPECT_GE(filled_shapes(full), 48u);
    EXPECT_EQ(filled_shapes(full) - filled_shapes(holed), 4u);
}

TEST(CarteSvg, AxesSpanTheGridInTheRoadsUnit)
{
    if (!svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    // 5 columns of step 10 from 0 to 40, 3 rows from 0 to 20: tick labels
    // reach 40 along x and 20 along y, never 50.
    const auto svg = carte_svg(3, 5, 10.0, exemple_hauteurs(3, 5), "cm", "carte", "c");
    EXPECT_NE(svg.find(">40<"), std::string::npos);
    EXPECT_NE(svg.find(">20<"), std::string::npos);
    EXPECT_EQ(svg.find(">50<"), std::string::npos);
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
    ASSERT_FALSE(svg.empty());
    EXPECT_EQ(svg.find("courbe nulle"), std::string::npos);
    EXPECT_NE(svg.find("courbe bonne"), std::string::npos);
    EXPECT_EQ(occurrences(svg, "•"), 3u); // two points and the legend's symbol
}

} // namespace
