// The report page from hand-made report objects: every part present and
// readable, failed and missing parts shown as such, a page that stands alone.
#include "exemple.hpp"
#include "figures.hpp"
#include "page.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <locale.h>
#include <sstream>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

namespace {

using nlohmann::json;
using rapport::page_html;
using namespace rapport_test;

// Faults every page must be free of, whatever the report holds.
void expect_sound_page(const std::string& html)
{
    EXPECT_EQ(structure_fault(html), "");
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<meta charset=\"utf-8\"/>"), std::string::npos);
    // Nothing fetched from elsewhere: no script, link, import or remote reference.
    for (const char* external :
         {"<script", "<link", "@import", "src=", "url(http", "href=\"http", "xlink:href=\"http", "<img"})
        EXPECT_EQ(html.find(external), std::string::npos) << external;
    // No number that failed to print.
    std::string word;
    for (const char c : visible_text(html) + " ") {
        if (std::isalpha(static_cast<unsigned char>(c))) {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            continue;
        }
        EXPECT_TRUE(word != "nan" && word != "inf" && word != "infinity" && word != "null") << word;
        word.clear();
    }
    // Ids are unique across the pictures, and every reference finds its target.
    const auto all = ids(html);
    const std::set<std::string> unique(all.begin(), all.end());
    EXPECT_EQ(unique.size(), all.size());
    for (const std::string& prefix : {std::string("url(#"), std::string("href=\"#")}) {
        for (std::size_t i = 0; (i = html.find(prefix, i)) != std::string::npos;) {
            i += prefix.size();
            const std::string target = html.substr(i, html.find_first_of(")\"", i) - i);
            EXPECT_TRUE(unique.count(target)) << "reference sans cible : " << target;
        }
    }
}

TEST(PageRapport, CompleteReportShowsEveryFigureAndPicture)
{
    const auto html = page_html(exemple_rapport(12, 15, 0.5), 12, 15, exemple_hauteurs(12, 15, {3}));
    expect_sound_page(html);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";

    EXPECT_EQ(occurrences(html, "<svg"), 3u);
    for (const char* id : {"fig-carte", "fig-fonction", "fig-directions"})
        EXPECT_FALSE(svg_by_id(html, id).empty()) << id;
    const std::string text = visible_text(html);
    // The levelling used is stated, the table marks its column.
    EXPECT_NE(text.find("Nivellement utilisé pour les figures : plan des moindres carrés"), std::string::npos);
    EXPECT_NE(text.find("plan des moindres carrés (utilisé)"), std::string::npos);
    // Both models with errors and intervals, the better one named.
    for (const char* figure :
         {"1.200", "± 0.02000", "[1.100 ; 1.300]", "3.000", "[2.600 ; 3.500]", "1.150", "[2.100 ; 2.900]", "0.05000"})
        EXPECT_NE(text.find(figure), std::string::npos) << figure;
    EXPECT_NE(text.find("Le modèle exponentiel s'ajuste le mieux"), std::string::npos);
    EXPECT_NE(html.find("<tr class=\"meilleur\"><th scope=\"row\">exponentiel"), std::string::npos);
    // Directions and their ratio.
    EXPECT_NE(text.find("L le long des lignes (modèle exponentiel) 3.500 cm"), std::string::npos);
    EXPECT_NE(text.find("L le long des colonnes (modèle exponentiel) 2.600 cm"), std::string::npos);
    EXPECT_NE(text.find("1.346"), std::string::npos);
    // Whole numbers of the settings print without decimals.
    EXPECT_NE(text.find("Tirages du bootstrap (K) 200 "), std::string::npos);
    EXPECT_NE(text.find("Graine 12345 "), std::string::npos);
    EXPECT_NE(text.find("12 lignes × 15 colonnes"), std::string::npos);
    EXPECT_NE(text.find("r de 0.5000 à 2.000 cm (4 rayons)"), std::string::npos);

    // French labels in the road's unit inside the pictures.
    const std::string carte = svg_by_id(html, "fig-carte");
    EXPECT_NE(carte.find("hauteur nivelée (cm)"), std::string::npos);
    EXPECT_NE(carte.find("x, le long des lignes (cm)"), std::string::npos);
    const std::string fonction = svg_by_id(html, "fig-fonction");
    EXPECT_NE(fonction.find("H(r) (cm²)"), std::string::npos);
    EXPECT_EQ(fonction.find("logarithmique"), std::string::npos); // r from 0.5 to 7: linear
    EXPECT_NE(fonction.find("plage d'ajustement"), std::string::npos);
    EXPECT_NE(fonction.find("modèle exponentiel : σ = 1.200 cm, L = 3.000 cm"), std::string::npos);
    EXPECT_NE(fonction.find("modèle gaussien : σ = 1.150 cm, L = 2.500 cm"), std::string::npos);
    const std::string directions = svg_by_id(html, "fig-directions");
    EXPECT_NE(directions.find("le long des colonnes"), std::string::npos);
    EXPECT_NE(directions.find("L = 2.600 cm"), std::string::npos);
}

TEST(PageRapport, PhotogrammetricUnitsReachTablesAndPictures)
{
    json r = exemple_rapport(10, 10, 0.5);
    r["unite"] = {{"route", "photogrammetrique"}, {"longueur", "% du cote du cadre"}, {"H", "(% du cote du cadre)²"}};
    const auto html = page_html(r, 10, 10, exemple_hauteurs(10, 10));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_NE(text.find("route photogrammétrique"), std::string::npos);
    EXPECT_NE(text.find("3.500 % du cote du cadre"), std::string::npos);
    EXPECT_EQ(text.find(" cm"), std::string::npos);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_NE(svg_by_id(html, "fig-carte").find("y, le long des colonnes (% du cote du cadre)"), std::string::npos);
    EXPECT_NE(svg_by_id(html, "fig-fonction").find("H(r) ((% du cote du cadre)²)"), std::string::npos);
}

TEST(PageRapport, TextFromTheReportIsEscapedInPageAndPictures)
{
    json r = exemple_rapport(8, 8, 1.0);
    r["fichier"] = "<b>mesure & co</b>.txt";
    r["unite"]["longueur"] = "#u<m>"; // '#' starts an escape in PLplot's texts
    r["reglages"]["nivellement"] = "<\"niveau\">";
    const auto html = page_html(r, 8, 8, exemple_hauteurs(8, 8));
    expect_sound_page(html);
    EXPECT_EQ(html.find("<b>mesure"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;mesure &amp; co&lt;/b&gt;.txt"), std::string::npos);
    EXPECT_EQ(html.find("<\"niveau"), std::string::npos);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_NE(svg_by_id(html, "fig-carte").find("hauteur nivelée (#u&lt;m&gt;)"), std::string::npos);
}

TEST(PageRapport, FailedPartsAreMarkedAndTheRestStands)
{
    json r = exemple_rapport(10, 12, 1.0);
    r["ajustements"]["gaussien"] = {{"echec", "l'ajustement ne converge pas"}};
    r["directions"] = {{"echec", "trop peu de paires le long des colonnes"}};
    r["hauteurs"]["polynome2"] = {{"echec", "surface dégénérée"}};
    const auto html = page_html(r, 10, 12, exemple_hauteurs(10, 12));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_NE(text.find("échec : l&#39;ajustement ne converge pas"), std::string::npos);
    EXPECT_NE(text.find("échec : trop peu de paires le long des colonnes"), std::string::npos);
    EXPECT_NE(text.find("échec : surface dégénérée"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<td colspan=\"8\"><span class=\"echec\">"), 1u);
    // The exponential fit still gives the summary and its curve.
    EXPECT_NE(text.find("1.200 cm"), std::string::npos);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    const std::string fonction = svg_by_id(html, "fig-fonction");
    EXPECT_NE(fonction.find("modèle exponentiel"), std::string::npos);
    EXPECT_EQ(fonction.find("modèle gaussien"), std::string::npos);
    // The measured points per direction are still drawn, without model curves.
    const std::string directions = svg_by_id(html, "fig-directions");
    EXPECT_NE(directions.find("le long des lignes"), std::string::npos);
    EXPECT_EQ(directions.find("L = "), std::string::npos);
}

TEST(PageRapport, DirectionsShowBothModelsWhenTheReportHoldsThem)
{
    json r = exemple_rapport(10, 10, 1.0);
    auto fit = [](double sigma, double L) {
        return json{{"sigma", sigma},  {"L", L},          {"erreur_sigma", 0.01},
                    {"erreur_L", 0.2}, {"residu", 0.004}, {"rayons", 4}};
    };
    r["directions"]["par_modele"] = {
        {"exponentiel", {{"lignes", fit(1.25, 3.5)}, {"colonnes", fit(1.15, 2.6)}}},
        {"gaussien", {{"lignes", fit(1.2, 2.75)}, {"colonnes", {{"echec", "pas de minimum"}}}}}};
    r["ajustements"]["exponentiel"]["bootstrap"] = {{"reussis", 197}, {"echecs", 3}, {"covariance_exacte", true}};
    const auto html = page_html(r, 10, 10, exemple_hauteurs(10, 10));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_NE(text.find("gaussien le long des lignes 1.200 ± 0.01000 2.750"), std::string::npos);
    EXPECT_NE(text.find("gaussien le long des colonnes échec : pas de minimum"), std::string::npos);
    EXPECT_NE(text.find("197 tirages ajustés, 3 en échec"), std::string::npos);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    const std::string directions = svg_by_id(html, "fig-directions");
    EXPECT_NE(directions.find("exponentiel, colonnes : L = 2.600 cm"), std::string::npos);
    EXPECT_NE(directions.find("gaussien, lignes : L = 2.750 cm"), std::string::npos);
    EXPECT_EQ(directions.find("gaussien, colonnes"), std::string::npos);
}

TEST(PageRapport, WithoutABetterModelNamedTheSummaryTakesTheSmallerResidual)
{
    json r = exemple_rapport(8, 8, 1.0);
    r["ajustements"]["meilleur"] = nullptr;
    r["ajustements"]["gaussien"]["residu"] = 0.001;
    const std::string text = visible_text(page_html(r, 8, 8, exemple_hauteurs(8, 8)));
    EXPECT_NE(text.find("L (longueur de corrélation, modèle gaussien) 2.500 cm"), std::string::npos);
    EXPECT_NE(text.find("Meilleur modèle : —"), std::string::npos);
}

TEST(PageRapport, WholeFailedFitAndNullFiguresGiveAReadablePage)
{
    json r = exemple_rapport(6, 6, 1.0);
    r["ajustements"] = {{"echec", "toutes les hauteurs sont égales"}};
    for (auto& [name, part] : r["hauteurs"].items())
        for (auto& [key, value] : part.items())
            value = nullptr;
    r["directions"] = {{"modele", "exponentiel"}, {"L_lignes", nullptr},     {"L_colonnes", nullptr},
                       {"anisotropie", nullptr},  {"sigma_lignes", nullptr}, {"sigma_colonnes", nullptr}};
    for (const char* key : {"H", "H_lignes", "H_colonnes"})
        for (auto& v : r["correlation"][key])
            v = nullptr;
    const auto html = page_html(r, 6, 6, exemple_hauteurs(6, 6));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_GE(occurrences(text, "échec : toutes les hauteurs sont égales"), 3u);
    EXPECT_NE(text.find("Fonction indisponible"), std::string::npos);
    EXPECT_NE(text.find("Meilleur modèle : —"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<svg"), rapport::svg_disponible() ? 1u : 0u); // the map only
}

TEST(PageRapport, AnyObjectGivesAPageWithoutThrowing)
{
    json odd = exemple_rapport(5, 5, 1.0);
    odd["reglages"]["pas"] = "un";
    odd["ajustements"]["exponentiel"]["intervalle_L"] = {1.0};
    odd["ajustements"]["gaussien"]["sigma"] = json::array();
    odd["correlation"]["r"] = "rien";
    odd["unite"] = 3;
    for (const json& r : {json(), json::array({1, 2}), json("texte"), json::object(), odd}) {
        std::string html;
        ASSERT_NO_THROW(html = page_html(r, 5, 5, exemple_hauteurs(5, 5))) << r.dump();
        expect_sound_page(html);
    }
    // Sizes that do not match the heights: no map, no fault.
    std::string html;
    ASSERT_NO_THROW(html = page_html(exemple_rapport(5, 5, 1.0), 5, 6, exemple_hauteurs(5, 5)));
    expect_sound_page(html);
    EXPECT_NE(visible_text(html).find("Carte indisponible : hauteurs absentes"), std::string::npos);
    ASSERT_NO_THROW(html = page_html(exemple_rapport(0, 0, 1.0), 0, 0, {}));
    expect_sound_page(html);
}

TEST(PageRapport, ExtremeNumbersNeitherWarnNorBreakThePage)
{
    json r = exemple_rapport(4, 5, 1e307);
    r["ajustements"]["exponentiel"]["sigma"] = 1e200;
    r["correlation"]["H"][0] = 1e308;
    r["correlation"]["H"][1] = -1e308;
    std::vector<double> z = exemple_hauteurs(4, 5);
    z[0] = 1e308;
    z[1] = -1e308;
    testing::internal::CaptureStderr();
    const auto html = page_html(r, 4, 5, z);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, ""); // PLplot warns on stderr when given a degenerate window
    expect_sound_page(html);
}

TEST(PageRapport, GridWithoutRealCellHasNoMap)
{
    const auto html = page_html(exemple_rapport(4, 4, 1.0), 4, 4,
                                exemple_hauteurs(4, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    expect_sound_page(html);
    EXPECT_TRUE(svg_by_id(html, "fig-carte").empty());
    EXPECT_NE(visible_text(html).find("Carte indisponible : aucune cellule réelle"), std::string::npos);
}

TEST(PageRapport, AllEqualHeightsStillDrawAMap)
{
    const std::vector<double> flat(30, 0.25);
    const auto html = page_html(exemple_rapport(5, 6, 1.0), 5, 6, flat);
    expect_sound_page(html);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_FALSE(svg_by_id(html, "fig-carte").empty());
}

TEST(PageRapport, WithoutFitRangeNoBandIsDrawn)
{
    json r = exemple_rapport(8, 8, 1.0);
    r["reglages"]["plage_ajustement"] = nullptr;
    const auto html = page_html(r, 8, 8, exemple_hauteurs(8, 8));
    expect_sound_page(html);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_EQ(html.find("plage d'ajustement"), std::string::npos);
    EXPECT_NE(svg_by_id(html, "fig-fonction").find("modèle gaussien"), std::string::npos);
}

TEST(PageRapport, LargeGridIsShownByBlocksAndThePageStaysSmall)
{
    const int n = 601;
    const int m = 450;
    const auto html = page_html(exemple_rapport(n, m, 0.5), n, m, exemple_hauteurs(n, m, {0, 7}));
    expect_sound_page(html);
    EXPECT_NE(visible_text(html).find("blocs de 5 × 5 cellules"), std::string::npos);
    EXPECT_LT(html.size(), 3'000'000u);
    EXPECT_NE(svg_by_id(html, "fig-fonction").find("r (cm), échelle logarithmique"), std::string::npos);
}

TEST(PageRapport, PagesDrawnFromTwoThreadsAreBothWhole)
{
    // PLplot holds global state: the pictures must not mix between threads.
    std::string a;
    std::string b;
    std::thread first([&] { a = page_html(exemple_rapport(9, 9, 1.0), 9, 9, exemple_hauteurs(9, 9)); });
    std::thread second([&] {
        json r = exemple_rapport(7, 11, 2.0);
        r["unite"]["longueur"] = "mm";
        b = page_html(r, 7, 11, exemple_hauteurs(7, 11));
    });
    first.join();
    second.join();
    expect_sound_page(a);
    expect_sound_page(b);
    EXPECT_EQ(a, page_html(exemple_rapport(9, 9, 1.0), 9, 9, exemple_hauteurs(9, 9)));
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_EQ(occurrences(a, "<svg"), 3u);
    EXPECT_EQ(occurrences(b, "<svg"), 3u);
    EXPECT_EQ(a.find("(mm)"), std::string::npos);
}

TEST(PageRapport, NoTemporaryFileIsLeftBehind)
{
    const auto dir = std::filesystem::temp_directory_path() / ("rapport-page-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TMPDIR", dir.c_str(), 1);
    const auto html = page_html(exemple_rapport(6, 6, 1.0), 6, 6, exemple_hauteurs(6, 6));
    if (old != nullptr)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
    expect_sound_page(html);
}

} // namespace

namespace {

TEST(PageRapport, WithoutATemporaryFolderThePageComesWithoutPictures)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TMPDIR", "/nonexistent/rapport-page-test", 1);
    std::string html;
    EXPECT_NO_THROW(html = page_html(exemple_rapport(6, 6, 1.0), 6, 6, exemple_hauteurs(6, 6)));
    if (old != nullptr)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    expect_sound_page(html);
    EXPECT_EQ(occurrences(html, "<svg"), 0u);
    EXPECT_NE(visible_text(html).find("Carte indisponible : l&#39;image n&#39;a pas pu être dessinée"),
              std::string::npos);
    EXPECT_NE(visible_text(html).find("1.200 cm"), std::string::npos);
}

} // namespace

namespace {

TEST(PageRapport, ADecimalCommaLocaleDoesNotReachThePage)
{
    const locale_t french = newlocale(LC_ALL_MASK, "fr_FR.UTF-8", static_cast<locale_t>(nullptr));
    if (french == static_cast<locale_t>(nullptr))
        GTEST_SKIP() << "NOTICE: locale fr_FR.UTF-8 absente";
    const locale_t previous = uselocale(french);
    const auto html = page_html(exemple_rapport(6, 6, 1.0), 6, 6, exemple_hauteurs(6, 6));
    uselocale(previous);
    freelocale(french);
    expect_sound_page(html);
    EXPECT_NE(visible_text(html).find("1.200 cm"), std::string::npos);
    // Each point of a shape is "x,y": a decimal comma would add a second comma.
    for (std::size_t i = 0; (i = html.find("points=\"", i)) != std::string::npos;) {
        i += 8;
        std::istringstream pairs(html.substr(i, html.find('"', i) - i));
        std::string pair;
        while (pairs >> pair)
            ASSERT_EQ(std::count(pair.begin(), pair.end(), ','), 1) << pair;
    }
}

} // namespace
