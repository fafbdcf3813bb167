// The quoting of the text fields of the tools' CSV tables.
#include "tools/commun/csv.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(CsvOutils, AFieldIsQuotedExactlyWhenItHoldsACommaAQuoteOrALineEnd)
{
    const std::pair<std::string, std::string> cas[] = {
        {"", ""},
        {"50 0.25", "50 0.25"},
        {"230,110,30 10", "\"230,110,30 10\""},
        {"dit \"non\"", "\"dit \"\"non\"\"\""},
        {"deux\nlignes", "\"deux\nlignes\""},
        {"fin\r", "\"fin\r\""},
    };
    for (const auto& [texte, champ] : cas) {
        SCOPED_TRACE(texte);
        EXPECT_EQ(outils::champ_csv(texte), champ);
    }
}
