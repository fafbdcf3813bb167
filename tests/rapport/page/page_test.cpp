// The report page from hand-made report objects: the figures where a reader
// looks for them, failed and missing parts shown as such, a page that stands
// alone whatever the object holds.
#include "tests/rapport/page/exemple.hpp"
#include "tools/rapport/page/figures.hpp"
#include "tools/rapport/page/page.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <set>
#include <sstream>
#include <thread>

namespace {

using nlohmann::json;
using rapport::page_html;
using namespace rapport_test;

// Faults every page must be free of, whatever the report holds: a tag left open,
// anything fetched from elsewhere, a number that failed to print, an id twice
// or a reference without its target.
void expect_sound_page(const std::string& html)
{
    for (const std::string t : {"html", "body", "section", "div", "p", "table", "thead", "tbody", "tr", "th", "td",
                                "figure", "figcaption", "svg", "g", "text", "small"})
        EXPECT_EQ(occurrences(html, "<" + t + ">") + occurrences(html, "<" + t + " "),
                  occurrences(html, "</" + t + ">"))
            << t;
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    for (const char* external : {"<script", "<link", "@import", "src=", "url(http", "href=\"http", "<img"})
        EXPECT_EQ(html.find(external), std::string::npos) << external;
    std::string words = visible_text(html); // ASCII words, lower-cased
    for (char& c : words)
        c = std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 128 ? (c | 0x20) : ' ';
    std::istringstream in(words);
    for (std::string w; in >> w;)
        EXPECT_TRUE(w != "nan" && w != "inf" && w != "infinity" && w != "null") << w;
    std::set<std::string> unique;
    for (std::size_t i = 0; (i = html.find(" id=\"", i)) != std::string::npos;) {
        i += 5;
        EXPECT_TRUE(unique.insert(html.substr(i, html.find('"', i) - i)).second) << html.substr(i, 20);
    }
    for (const std::string& prefix : {std::string("url(#"), std::string("href=\"#")})
        for (std::size_t i = 0; (i = html.find(prefix, i)) != std::string::npos;) {
            i += prefix.size();
            EXPECT_TRUE(unique.count(html.substr(i, html.find_first_of(")\"", i) - i))) << html.substr(i, 20);
        }
}

std::string page(const json& r, int lignes, int colonnes)
{
    return page_html(r, lignes, colonnes, exemple_hauteurs(lignes, colonnes));
}

TEST(PageRapport, CompleteReportShowsEveryFigureAndPicture)
{
    const auto html = page_html(exemple_rapport(12, 15, 0.5), 12, 15, exemple_hauteurs(12, 15, {3}));
    expect_sound_page(html);
    const std::string text = visible_text(html);
    for (const char* figure :
         {// The headline: the better model's figures and intervals.
          "σ (hauteur RMS, modèle exponentiel) 1.200 cm intervalle à 95 % : [1.100 ; 1.300]",
          "L (longueur de corrélation, modèle exponentiel) 3.000 cm intervalle à 95 % : [2.600 ; 3.500]",
          "Sq (plan des moindres carrés) 1.100 cm",
          // Each model's row: σ, interval, L, interval, residual, radii, standard errors.
          "1.200 [1.100 ; 1.300] 3.000 [2.600 ; 3.500] 0.01200 4 ± 0.02000 ± 0.1000",
          "1.150 [1.000 ; 1.300] 2.500 [2.100 ; 2.900] 0.05000 4 ± 0.03000 ± 0.1000",
          "Erreurs types : celles de l'ajustement seul",
          // Directions by the names the report gives them, the anisotropy with its interval.
          "L le long de la barre (positions du chariot, une ligne de handgrid) (modèle exponentiel) 3.500 cm L le "
          "long du cadre (positions de la barre) (modèle exponentiel) 2.600 cm",
          "Anisotropie (L barre / L cadre) 1.346 ; intervalle à 95 % : [1.100 ; 1.700]",
          // Settings: whole numbers without decimals, the share of empty cells.
          "Grille 12 lignes × 15 colonnes", "Cellules 180, dont 3 vides", "Part de cellules vides 1.667 % des cellules",
          "r de 0.5000 à 2.000 cm (4 rayons) ", "Tirages du bootstrap (K) 200 ", "Graine 12345 "})
        EXPECT_NE(text.find(figure), std::string::npos) << figure;
    EXPECT_NE(html.find("<tr class=\"meilleur\"><th scope=\"row\">exponentiel"), std::string::npos);

    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    EXPECT_EQ(occurrences(html, "<svg"), 3u);
    // The map's axis and the curves' legend, written inside the pictures.
    for (const char* label : {"x : le long du cadre, positions de la barre (cm)",
                              "modèle exponentiel : σ = 1.200 cm, L = 3.000 cm", "modèle gaussien : σ = 1.150 cm, L = 2.500 cm"})
        EXPECT_NE(html.find(label), std::string::npos) << label;
}

// Reports that differ from the complete one by a part, given as values at
// JSON pointers (null: the key left out): what the page then says, and what it
// must not show.
TEST(PageRapport, EachPartOfTheReportShowsAsItIs)
{
    struct Cas {
        const char* nom;
        std::vector<std::pair<std::string, json>> changer;
        std::vector<std::string> presents, absents;
    };
    const std::string court = "L est plus courte que le pas : non mesurable avec cette grille";
    const json plate = {{"echec", "surface plate"}, {"resolu", false}};
    const Cas cas[] = {
        {"non resolu",
         {{"/ajustements/gaussien/resolu", false}, {"/ajustements/gaussien/motif", court},
          {"/ajustements/meilleur", "gaussien"}, {"/ajustements/exponentiel/erreur_sigma", nullptr},
          {"/ajustements/exponentiel/erreur_L", nullptr}, {"/ajustements/gaussien/erreur_sigma", nullptr},
          {"/ajustements/gaussien/erreur_L", nullptr}},
         {"L (longueur de corrélation, modèle gaussien) 2.500 cm non résolu intervalle à 95 % : aucun (non résolu)",
          "Modèle gaussien non résolu : " + court + ".",
          "1.150 non résolu aucun (non résolu) 2.500 non résolu aucun (non résolu) 0.05000 4"},
         {"[2.100 ; 2.900]", "erreur type"}},
        {"surface plate",
         {{"/surface_plate", true}, {"/hauteurs_en_trop", 3},
          {"/ajustements", {{"exponentiel", plate}, {"gaussien", plate}, {"meilleur", nullptr}}}},
         {"Attention : 3 valeurs suivent les 100 hauteurs qu'annonce l'en-tête de grille.txt",
          "σ et L surface plate aucun intervalle", "Valeurs après les hauteurs annoncées 3 (ignorées)"},
         {"Le σ à citer"}},
        {"route photogrammetrique",
         {{"/unite", {{"route", "photogrammetrique"}, {"longueur", "% du cote du cadre"}, {"H", "(% du cote du cadre)²"}}},
          {"/reglages/part_vide", 0.0}},
         {"route photogrammétrique", "(modèle exponentiel) 3.500 % du côté du cadre",
          "Part de cellules vides 0 % des nœuds du cadre (x et y strictement entre 2 et 98 % du côté)"},
         {"cote"}},
        {"texte a echapper", // '#' starts an escape in PLplot's texts
         {{"/fichier", "<b>mesure & co</b>.txt"}, {"/unite/longueur", "#u<m>"}, {"/reglages/nivellement", "<\"niveau\">"}},
         {"&lt;b&gt;mesure &amp; co&lt;/b&gt;.txt"}, {"<b>mesure", "<\"niveau", "<m>"}},
        {"parties en echec",
         {{"/ajustements/gaussien", {{"echec", "l'ajustement ne converge pas"}}},
          {"/directions", {{"echec", "trop peu de paires le long des colonnes"}}},
          {"/hauteurs/polynome2", {{"echec", "surface dégénérée"}}}},
         {"échec : l&#39;ajustement ne converge pas", "échec : trop peu de paires le long des colonnes",
          "échec : surface dégénérée", "σ (hauteur RMS, modèle exponentiel) 1.200 cm"},
         {"modèle gaussien : σ"}},
        {"sans meilleur modele", {{"/ajustements/meilleur", nullptr}, {"/ajustements/gaussien/residu", 0.001}},
         {"L (longueur de corrélation, modèle gaussien) 2.500 cm", "Meilleur modèle : —"}, {}},
        {"erreurs des tirages", {{"/ajustements/exponentiel/sigma_ajuste", 1.2}},
         {"Erreurs types : écarts types des valeurs réajustées sur les surfaces simulées"},
         {"celles de l'ajustement seul"}},
        {"quatre chiffres significatifs",
         {{"/hauteurs/plan_moyen/Sq", 12345.6}, {"/hauteurs/plan/Sq", 0.000123456}, {"/hauteurs/polynome2/Sq", 1.5e-7},
          {"/hauteurs/plan_moyen/Sa", 9.99996}, {"/hauteurs/plan/Sa", 1000.0}, {"/hauteurs/polynome2/Sa", 123.456},
          {"/hauteurs/plan_moyen/Ssk", -0.12}, {"/hauteurs/plan/Ssk", 0.0}},
         {"Sq écart quadratique moyen (cm) 1.235e+04 0.0001235 1.500e-07",
          "Sa écart moyen arithmétique (cm) 10.00 1000 123.5", "Ssk asymétrie (sans unité) -0.1200 0 -0.1200"},
         {}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        json r = exemple_rapport(10, 10, 1.0);
        for (const auto& [pointeur, valeur] : c.changer)
            r[json::json_pointer(pointeur)] = valeur;
        const auto html = page(r, 10, 10);
        expect_sound_page(html);
        const std::string text = visible_text(html);
        for (const std::string& p : c.presents)
            EXPECT_NE(text.find(p), std::string::npos) << p;
        for (const std::string& a : c.absents)
            EXPECT_EQ(html.find(a), std::string::npos) << a;
    }
}

// The page is drawn from the report the program has just made: extreme
// figures, which absurd heights can give, and a large grid, shown by blocks,
// give a sound page, and a small one.
TEST(PageRapport, ExtremeFiguresAndALargeGridGiveASoundPage)
{
    json extreme = exemple_rapport(5, 5, 1e307);
    extreme["ajustements"]["exponentiel"]["sigma"] = 1e200;
    extreme["correlation"]["H"][0] = 1e308;
    extreme["correlation"]["H"][1] = -1e308;
    std::vector<double> z = exemple_hauteurs(5, 5);
    z[0] = 1e308;
    z[1] = -1e308;
    testing::internal::CaptureStderr();
    expect_sound_page(page_html(extreme, 5, 5, z));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ""); // PLplot warns of a degenerate window
    const auto grande = page_html(exemple_rapport(601, 450, 0.5), 601, 450, exemple_hauteurs(601, 450, {0, 7}));
    expect_sound_page(grande);
    EXPECT_NE(visible_text(grande).find("blocs de 5 × 5 cellules"), std::string::npos);
    EXPECT_LT(grande.size(), 3'000'000u);
}

// PLplot holds global state: pictures drawn from two threads must not mix. The
// second thread works in a decimal-comma locale (where the machine has one),
// which must not reach the page: both are the pages drawn alone in this one.
TEST(PageRapport, PagesDrawnFromTwoThreadsAreBothWholeWhateverTheirLocale)
{
    const locale_t french = newlocale(LC_ALL_MASK, "fr_FR.UTF-8", static_cast<locale_t>(nullptr));
    json r = exemple_rapport(7, 11, 2.0);
    r["unite"]["longueur"] = "mm";
    std::string a, b;
    std::thread first([&] { a = page(exemple_rapport(9, 9, 1.0), 9, 9); });
    std::thread second([&] {
        if (french != static_cast<locale_t>(nullptr))
            uselocale(french);
        b = page(r, 7, 11);
    });
    first.join();
    second.join();
    if (french != static_cast<locale_t>(nullptr))
        freelocale(french);
    EXPECT_EQ(a, page(exemple_rapport(9, 9, 1.0), 9, 9));
    EXPECT_EQ(b, page(r, 7, 11));
}

// The pictures are drawn through temporary files: none is left behind, and
// without a temporary folder the page comes with its tables alone.
TEST(PageRapport, TemporaryFilesOfThePictures)
{
    const auto dir = std::filesystem::temp_directory_path() / ("rapport-page-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TMPDIR", dir.c_str(), 1);
    expect_sound_page(page(exemple_rapport(6, 6, 1.0), 6, 6));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
    const auto html = page(exemple_rapport(6, 6, 1.0), 6, 6);
    old != nullptr ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
    expect_sound_page(html);
    EXPECT_EQ(occurrences(html, "<svg"), 0u);
    EXPECT_NE(visible_text(html).find("Carte indisponible : l&#39;image n&#39;a pas pu être dessinée"),
              std::string::npos);
}

} // namespace
