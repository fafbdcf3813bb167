#include "handgrid/handgrid.hpp"

#include <gtest/gtest.h>

using namespace handgrid;

// Readings are only whole finite numbers (those accepted, decimal comma
// included, are seen in the dialogues); the step is written with the fewest
// decimals that read back exactly.
TEST(Words, ReadingsAndTheStepAsWritten)
{
    for (const char* word : {"Fin", "FIN", "fini", "abc", "nan", "-inf", "1e400", "12,", ",5", "1,5,3", "12,5cm",
                             "08,5", "1e5,5", "--1"})
        EXPECT_FALSE(convertirMesure(word).has_value()) << word;
    // One decimal where it holds the step exactly; otherwise the fewest that read back as the same float.
    for (const auto& [pas, texte] : {std::pair{2.0f, "2.0"}, {0.5f, "0.5"}, {0.1f, "0.1"}, {10.3f, "10.3"},
                                     {0.25f, "0.25"}, {0.15f, "0.15"}, {0.05f, "0.05"}, {0.04f, "0.04"},
                                     {1e-6f, "0.000001"}, {16777216.0f, "16777216.0"}, {1e20f, "100000002004087734272.0"}})
        EXPECT_EQ(textePas(pas), texte) << pas;
}
