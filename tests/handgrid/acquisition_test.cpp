#include "handgrid.hpp"

#include <gtest/gtest.h>

using namespace handgrid;

namespace {

// The screen the operator sees next.
std::string screen(const Acquisition& a)
{
    pipeline::Writer w = pipeline::Writer::in_memory();
    afficherEcran(a, w);
    return w.memory_text();
}

std::string position(const Acquisition& a)
{
    const std::string s = screen(a);
    const auto start = s.find("La barre");
    return s.substr(start, s.find('\n', start) - start);
}

std::string grid(const Acquisition& a)
{
    pipeline::Writer w = pipeline::Writer::in_memory();
    ecrireGrille(a, w);
    return w.memory_text();
}

} // namespace

TEST(Words, ReadingsAcceptTheDecimalCommaAndOnlyWholeFiniteNumbers)
{
    const std::pair<const char*, double> accepted[] = {
        {"12,5", 12.5}, {"12.5", 12.5}, {"-3,25", -3.25}, {"0,05", 0.05}, {"1,09", 1.09},
        {"-3", -3.0},   {"1e3", 1000.0}, {"+7", 7.0},    {"012,5", 12.5},
    };
    for (const auto& [word, value] : accepted) {
        const auto m = convertirMesure(word);
        ASSERT_TRUE(m.has_value()) << word;
        EXPECT_EQ(*m, value) << word;
    }
    for (const char* word : {"fin", "Fin", "FIN", "fini", "abc", "nan", "inf", "-inf", "1e400", "12,", ",5",
                             "1,5,3", "12.5x", "12,5cm", "08,5", "1e5,5", "--1", ""})
        EXPECT_FALSE(convertirMesure(word).has_value()) << word;
}

TEST(Words, OpeningAnswersMustBeWholeNumbers)
{
    int n = -1;
    for (const auto& [word, value] : {std::pair{"3", 3}, {"010", 8}, {"0x10", 16}, {"+5", 5}, {"-2", -2}}) {
        EXPECT_TRUE(entierComplet(word, n)) << word;
        EXPECT_EQ(n, value) << word;
    }
    for (const char* word : {"08", "3abc", "3.0", "abc", "4294967297", "99999999999999999999", "2,5"})
        EXPECT_FALSE(entierComplet(word, n)) << word;

    float f = -1;
    EXPECT_TRUE(reelComplet("0.25", f));
    EXPECT_EQ(f, 0.25f);
    EXPECT_TRUE(reelComplet("-10", f));
    for (const char* word : {"2,5", "1e39", "nan", "inf", "2cm", "abc"})
        EXPECT_FALSE(reelComplet(word, f)) << word;
}

TEST(Acquisition, PositionsBannerAndGrowthFollowTheLines)
{
    Acquisition a = commencer(3, 2.0f, 10.0f, 50.0f);
    EXPECT_EQ(screen(a), "La barre doit etre a 50.0cm et le chariot a 10.0cm\nderniere mesure : 0.000000\n"
                         "Mesure suivante?\n");
    for (double m : {1.5, 2.0}) {
        ASSERT_TRUE(enregistrerMesure(a, m));
        EXPECT_TRUE(a.info_nouvelle_ligne.empty());
    }
    EXPECT_EQ(position(a), "La barre doit etre a 50.0cm et le chariot a 14.0cm");
    ASSERT_TRUE(enregistrerMesure(a, 3.0));
    // Line complete: banner, bar one step on, carriage back; the matrix has not grown yet.
    EXPECT_EQ(a.nbr_lignes, 1);
    EXPECT_EQ(screen(a), banniere + "La barre doit etre a 52.0cm et le chariot a 10.0cm\n"
                                    "derniere mesure : 3.000000\nMesure suivante?\n");
    EXPECT_EQ(banniere.size(), 201u);
    EXPECT_EQ(grid(a), "2x0x2.0\n-1.500000\n-2.000000\n-3.000000\n");
    ASSERT_TRUE(enregistrerMesure(a, -4.0)); // opens the second line
    EXPECT_EQ(a.nbr_lignes, 2);
    EXPECT_TRUE(a.info_nouvelle_ligne.empty());
    EXPECT_EQ(position(a), "La barre doit etre a 52.0cm et le chariot a 12.0cm");
    EXPECT_EQ(grid(a), "2x1x2.0\n-1.500000\n-2.000000\n-3.000000\n4.000000\n-0.000000\n-0.000000\n");
}

TEST(Acquisition, PositionsAreSinglePrecisionSumsShownWithOneDecimal)
{
    Acquisition a = commencer(1, 0.25f, 10.25f, 16777216.0f);
    EXPECT_EQ(position(a), "La barre doit etre a 16777216.0cm et le chariot a 10.2cm");
    EXPECT_EQ(grid(a), "0x0x0.2\n-0.000000\n");
    for (int k = 0; k < 4; ++k)
        ASSERT_TRUE(enregistrerMesure(a, k));
    // 2^24 + 0.25 is 2^24 in single precision: the bar never moves.
    EXPECT_EQ(position(a), "La barre doit etre a 16777216.0cm et le chariot a 10.2cm");
    EXPECT_EQ(a.nbr_lignes, 4);
}
