#include "handgrid.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace handgrid;

TEST(Words, ReadingsAcceptTheDecimalCommaAndOnlyWholeFiniteNumbers)
{
    for (const auto& [word, value] : {std::pair{"12,5", 12.5}, {"-3,25", -3.25}, {"0,05", 0.05}, {"012,5", 12.5},
                                      {"12.5", 12.5}, {"-3", -3.0}, {"1e3", 1000.0}}) {
        const auto m = convertirMesure(word);
        EXPECT_TRUE(m && *m == value) << word;
    }
    for (const char* word : {"Fin", "FIN", "fini", "abc", "nan", "-inf", "1e400", "12,", ",5", "1,5,3", "12,5cm",
                             "08,5", "1e5,5", "--1"})
        EXPECT_FALSE(convertirMesure(word).has_value()) << word;
    int n = 0;
    EXPECT_TRUE(entierComplet("0x10", n) && n == 16);
    for (const char* word : {"08", "3.0", "4294967297", "99999999999999999999"})
        EXPECT_FALSE(entierComplet(word, n)) << word;
}

TEST(Acquisition, PositionsAreSinglePrecisionSums)
{
    Acquisition a = commencer(1, 0.25f, 10.25f, 16777216.0f);
    for (int k = 0; k < 4; ++k)
        ASSERT_TRUE(enregistrerMesure(a, k));
    pipeline::Writer w = pipeline::Writer::in_memory();
    afficherEcran(a, w);
    // 2^24 + 0.25 is 2^24 in single precision: the bar never moves.
    EXPECT_TRUE(w.memory_text().ends_with("La barre doit etre a 16777216.0cm et le chariot a 10.2cm\n"
                                          "derniere mesure : 3.000000\nMesure suivante?\n"));
}

TEST(Acquisition, TheStepIsWrittenWithTheFewestDecimalsThatReadBackExactly)
{
    // Steps that one decimal held exactly keep their bytes.
    for (const auto& [pas, texte] : {std::pair{2.0f, "2.0"}, {0.5f, "0.5"}, {0.1f, "0.1"}, {10.3f, "10.3"},
                                     {0.25f, "0.25"}, {0.15f, "0.15"}, {0.05f, "0.05"}, {0.04f, "0.04"},
                                     {1e-6f, "0.000001"}, {16777216.0f, "16777216.0"}, {1e20f, "100000002004087734272.0"}})
        EXPECT_EQ(textePas(pas), texte) << pas;
    // Any float: the text reads back the same, and one decimal fewer would not.
    for (std::uint32_t bits = 0x3c000000; bits < 0x4b800000; bits += 0x1fbd1) { // 2^-7 to 2^24
        const float pas = std::bit_cast<float>(bits);
        const std::string texte = textePas(pas);
        const std::size_t decimales = texte.size() - texte.find('.') - 1;
        ASSERT_EQ(std::strtof(texte.c_str(), nullptr), pas) << texte;
        if (decimales > 1) {
            char plus_court[64];
            std::snprintf(plus_court, sizeof plus_court, "%.*f", static_cast<int>(decimales - 1), pas);
            EXPECT_NE(std::strtof(plus_court, nullptr), pas) << texte;
        }
    }
}
