// The report page from hand-made report objects: every part present and
// readable, failed and missing parts shown as such, a page that stands alone.
#include "tests/rapport/page/exemple.hpp"
#include "tools/rapport/page/figures.hpp"
#include "tools/rapport/page/page.hpp"

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

// The HTML of one section of the page.
std::string section(const std::string& html, const std::string& id)
{
    const auto start = html.find("<section id=\"" + id + "\">");
    if (start == std::string::npos)
        return {};
    return html.substr(start, html.find("</section>", start) - start);
}

TEST(PageRapport, CompleteReportShowsEveryFigureAndPicture)
{
    const auto html = page_html(exemple_rapport(12, 15, 0.5), 12, 15, exemple_hauteurs(12, 15, {3}));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    // The headline: the better model's figures and intervals, no standard error.
    EXPECT_NE(text.find("σ (hauteur RMS, modèle exponentiel) 1.200 cm intervalle à 95 % : [1.100 ; 1.300]"),
              std::string::npos);
    EXPECT_NE(text.find("L (longueur de corrélation, modèle exponentiel) 3.000 cm intervalle à 95 % : [2.600 ; 3.500]"),
              std::string::npos);
    EXPECT_NE(text.find("Sq (plan des moindres carrés) 1.100 cm"), std::string::npos);
    EXPECT_EQ(section(html, "resume").find("±"), std::string::npos);
    // Each model's row: σ, interval, L, interval, residual, radii, standard errors.
    EXPECT_NE(text.find("1.200 [1.100 ; 1.300] 3.000 [2.600 ; 3.500] 0.01200 4 ± 0.02000 ± 0.1000"),
              std::string::npos);
    EXPECT_NE(text.find("1.150 [1.000 ; 1.300] 2.500 [2.100 ; 2.900] 0.05000 4 ± 0.03000 ± 0.1000"),
              std::string::npos);
    EXPECT_NE(html.find("<tr class=\"meilleur\"><th scope=\"row\">exponentiel"), std::string::npos);
    // Directions by the names the report gives them, the anisotropy with its interval.
    EXPECT_NE(text.find("L le long de la barre (positions du chariot, une ligne de handgrid) (modèle exponentiel) "
                        "3.500 cm L le long du cadre (positions de la barre) (modèle exponentiel) 2.600 cm"),
              std::string::npos);
    EXPECT_NE(text.find("Anisotropie (L barre / L cadre) 1.346 ; intervalle à 95 % : [1.100 ; 1.700]"),
              std::string::npos);
    // Settings: whole numbers without decimals, the share of empty cells.
    for (const char* figure : {"Grille 12 lignes × 15 colonnes", "Cellules 180, dont 3 vides",
                               "Part de cellules vides 1.667 % des cellules", "r de 0.5000 à 2.000 cm (4 rayons) ",
                               "Tirages du bootstrap (K) 200 ", "Graine 12345 "})
        EXPECT_NE(text.find(figure), std::string::npos) << figure;

    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_EQ(occurrences(html, "<svg"), 3u);
    // The manual road's gestures name the map's axes; the legends carry the figures.
    EXPECT_NE(svg_by_id(html, "fig-carte").find("x : le long du cadre, positions de la barre (cm)"), std::string::npos);
    const std::string fonction = svg_by_id(html, "fig-fonction");
    EXPECT_NE(fonction.find("modèle exponentiel : σ = 1.200 cm, L = 3.000 cm"), std::string::npos);
    EXPECT_NE(fonction.find("modèle gaussien : σ = 1.150 cm, L = 2.500 cm"), std::string::npos);
    EXPECT_NE(svg_by_id(html, "fig-directions").find("le long du cadre (positions de la barre)"), std::string::npos);
}

TEST(PageRapport, FitsThatAreNotResolvedAreMarkedWithoutIntervalAndTellWhy)
{
    json r = exemple_rapport(10, 10, 1.0);
    json& g = r["ajustements"]["gaussien"];
    g["resolu"] = false;
    g["motif"] = "L est plus courte que le pas : non mesurable avec cette grille";
    g["intervalle_L"] = {2.1, 2.9}; // a stray interval is not shown
    r["ajustements"]["meilleur"] = "gaussien";
    for (const char* model : {"exponentiel", "gaussien"})
        for (const char* key : {"erreur_sigma", "erreur_L"})
            r["ajustements"][model].erase(key);
    auto fit = [](double sigma, double L, bool resolved, const char* motif) {
        return json{{"sigma", sigma}, {"L", L},   {"residu", 0.004}, {"rayons", 4},
                    {"resolu", resolved}, {"motif", motif}};
    };
    r["directions"]["par_modele"] = {
        {"exponentiel",
         {{"barre", fit(1.25, 3.5, true, "")},
          {"cadre", fit(1.15, 2.6, false, "la plage d'ajustement n'atteint pas le plateau")}}},
        {"gaussien", {{"barre", fit(1.2, 2.75, true, "")}, {"cadre", {{"echec", "pas de minimum"}}}}}};
    const auto html = page_html(r, 10, 10, exemple_hauteurs(10, 10));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_NE(text.find("L (longueur de corrélation, modèle gaussien) 2.500 cm non résolu intervalle à 95 % : aucun "
                        "(non résolu)"),
              std::string::npos);
    EXPECT_NE(text.find("Modèle gaussien non résolu : L est plus courte que le pas : non mesurable avec cette grille."),
              std::string::npos);
    EXPECT_NE(text.find("1.150 non résolu aucun (non résolu) 2.500 non résolu aucun (non résolu) 0.05000 4"),
              std::string::npos);
    EXPECT_EQ(text.find("[2.100 ; 2.900]"), std::string::npos);
    // The directions: the figure of an unresolved fit is marked, with its reason.
    EXPECT_NE(text.find("L le long du cadre (positions de la barre) (modèle exponentiel) 2.600 cm non résolu"),
              std::string::npos);
    EXPECT_NE(text.find("exponentiel le long du cadre (positions de la barre) 1.150 non résolu 2.600 non résolu "
                        "0.004000"),
              std::string::npos);
    EXPECT_NE(text.find("gaussien le long du cadre (positions de la barre) échec : pas de minimum"), std::string::npos);
    // Without standard errors in the report, the tables have no such column.
    EXPECT_EQ(text.find("erreur type"), std::string::npos);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_NE(svg_by_id(html, "fig-fonction").find("modèle gaussien : σ = 1.150 cm, L = 2.500 cm (non résolu)"),
              std::string::npos);
    EXPECT_NE(svg_by_id(html, "fig-directions").find("exponentiel, cadre : L = 2.600 cm (non résolu)"),
              std::string::npos);
}

TEST(PageRapport, FlatSurfaceAndExtraHeightsAreToldFirst)
{
    json r = exemple_rapport(8, 8, 1.0);
    r["surface_plate"] = true;
    r["hauteurs_en_trop"] = 3;
    r["ajustements"] = {{"exponentiel", {{"echec", "surface plate"}, {"resolu", false}}},
                        {"gaussien", {{"echec", "surface plate"}, {"resolu", false}}},
                        {"meilleur", nullptr}};
    const auto html = page_html(r, 8, 8, exemple_hauteurs(8, 8));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    const std::string header = visible_text(html.substr(0, html.find("</header>")));
    EXPECT_NE(header.find("Attention : 3 valeurs suivent les 64 hauteurs qu'annonce l'en-tête de grille.txt"),
              std::string::npos);
    EXPECT_NE(header.find("Surface plate"), std::string::npos);
    EXPECT_NE(text.find("σ et L surface plate aucun intervalle"), std::string::npos);
    EXPECT_NE(text.find("Valeurs après les hauteurs annoncées 3 (ignorées)"), std::string::npos);
    EXPECT_EQ(text.find("Le σ à citer"), std::string::npos);
}

TEST(PageRapport, SchemaOneReadsWithRowsAndColumnsAndNoInternalName)
{
    json r = exemple_rapport(10, 10, 1.0);
    r["version"] = 1;
    json& d = r["directions"];
    d = {{"modele", "exponentiel"},  {"L_lignes", 3.5},      {"L_colonnes", 2.6},
         {"anisotropie", 3.5 / 2.6}, {"sigma_lignes", 1.25}, {"sigma_colonnes", 1.15}};
    json& c = r["correlation"];
    c["H_lignes"] = c["H_barre"];
    c["H_colonnes"] = c["H_cadre"];
    c.erase("H_barre");
    c.erase("H_cadre");
    r["reglages"]["plage_ajustement"]["regle"] = "coupe de reliefstat (RMAX_OBSERVATION) : rayons avant la premiere "
                                                 "suite de quatre baisses strictes";
    r["reglages"]["plage_ajustement"].erase("nom");
    const auto html = page_html(r, 10, 10, exemple_hauteurs(10, 10));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_NE(text.find("L le long des lignes (modèle exponentiel) 3.500 cm L le long des colonnes (modèle "
                        "exponentiel) 2.600 cm"),
              std::string::npos);
    EXPECT_NE(text.find("Anisotropie (L lignes / L colonnes) 1.346 "), std::string::npos);
    EXPECT_EQ(html.find("RMAX_OBSERVATION"), std::string::npos);
    EXPECT_NE(text.find("(4 rayons) coupe de reliefstat : les séparations avant la première suite"),
              std::string::npos);
    // A newer schema is shown with a warning.
    r["version"] = 3;
    EXPECT_NE(visible_text(page_html(r, 10, 10, exemple_hauteurs(10, 10))).find("Rapport de schéma 3, plus récent"),
              std::string::npos);
}

TEST(PageRapport, TablesShowFourSignificantFigures)
{
    const std::pair<double, const char*> cas[] = {
        {12345.6, "1.235e+04"}, {9.99996, "10.00"}, {0.000123456, "0.0001235"}, {1000.0, "1000"},
        {-0.12, "-0.1200"},     {0.0, "0"},         {1.5e-7, "1.500e-07"},      {123.456, "123.5"},
    };
    for (const auto& [value, shown] : cas) {
        SCOPED_TRACE(shown);
        json r = exemple_rapport(6, 6, 1.0);
        r["hauteurs"]["plan_moyen"]["Sq"] = value;
        const std::string text = visible_text(page_html(r, 6, 6, exemple_hauteurs(6, 6)));
        EXPECT_NE(text.find("Sq écart quadratique moyen (cm) " + std::string(shown) + " 1.100 1.100"),
                  std::string::npos);
    }
}

TEST(PageRapport, PhotogrammetricUnitsAreAccentedAndTheEmptyShareIsTheFrames)
{
    json r = exemple_rapport(10, 10, 0.5);
    r["unite"] = {{"route", "photogrammetrique"}, {"longueur", "% du cote du cadre"}, {"H", "(% du cote du cadre)²"}};
    r["reglages"]["part_vide"] = 0.0;
    const auto html = page_html(r, 10, 10, exemple_hauteurs(10, 10));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    EXPECT_NE(text.find("route photogrammétrique"), std::string::npos);
    EXPECT_NE(text.find("(modèle exponentiel) 3.500 % du côté du cadre"), std::string::npos);
    EXPECT_NE(text.find("Part de cellules vides 0 % des nœuds du cadre (x et y strictement entre 2 et 98 % du côté)"),
              std::string::npos);
    EXPECT_EQ(html.find("cote"), std::string::npos);
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_NE(svg_by_id(html, "fig-carte").find("y : côté Y du cadre, de O à Y (% du côté)"), std::string::npos);
    EXPECT_NE(svg_by_id(html, "fig-fonction").find("H(r) ((% du côté du cadre)²)"), std::string::npos);
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
    r["directions"] = {{"echec", "trop peu de paires le long des colonnes"}, {"axes", r["directions"]["axes"]}};
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
    EXPECT_NE(directions.find("le long de la barre"), std::string::npos);
    EXPECT_EQ(directions.find("L = "), std::string::npos);
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
    for (const char* key : {"L_barre", "L_cadre", "anisotropie", "intervalle_anisotropie", "sigma_barre", "sigma_cadre"})
        r["directions"][key] = nullptr;
    for (const char* key : {"H", "H_barre", "H_cadre"})
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

TEST(PageRapport, StandardErrorsSayWhereTheyComeFrom)
{
    json r = exemple_rapport(8, 8, 1.0);
    const std::string seules = visible_text(page_html(r, 8, 8, exemple_hauteurs(8, 8)));
    EXPECT_NE(seules.find("Erreurs types : celles de l'ajustement seul"), std::string::npos);
    r["ajustements"]["exponentiel"]["sigma_ajuste"] = 1.2;
    const std::string tirees = visible_text(page_html(r, 8, 8, exemple_hauteurs(8, 8)));
    EXPECT_NE(tirees.find("Erreurs types : écarts types des valeurs réajustées sur les surfaces simulées"),
              std::string::npos);
    EXPECT_EQ(tirees.find("celles de l'ajustement seul"), std::string::npos);
}
