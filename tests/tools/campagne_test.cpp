// The campaign's compiled half: which files of a folder a marker may read after
// a failure, the CSV and number forms, markers that are missing or damaged, and
// the atomic writes; and the quoting of the text fields of the tools' CSV tables.
#include "tools/campagne/mesure.hpp"
#include "tools/campagne/tables.hpp"
#include "tools/commun/csv.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <string>
#include <utility>

namespace fs = std::filesystem;
using campagne::Json;

namespace {

// A report in the shape rugosite-rapport writes, reduced to the keys read.
const char* rapport_json = R"({
 "unite": {"longueur": "cm"},
 "reglages": {"nivellement": "plan", "part_vide": 0.25},
 "hauteurs": {"plan_moyen": {"Sq": 9.0}, "plan": {"Sq": 1.5}},
 "ajustements": {
  "exponentiel": {"sigma": 1.25, "L": 6.5, "intervalle_sigma": [1.0, 1.5], "intervalle_L": [4.0, 9.0]},
  "gaussien": {"echec": "pas de convergence"},
  "meilleur": "exponentiel"},
 "directions": {"anisotropie": null}
})";

std::vector<std::pair<std::string, std::string>> champs(const std::string& route, const std::string& programme,
                                                        int statut)
{
    return {{"route", route}, {"programme", programme}, {"statut", std::to_string(statut)}, {"empreinte", "e"},
            {"message", "m"}};
}

} // namespace

TEST(Campagne, EtapesFaitesSelonLeProgrammeEnEchec)
{
    // (The steps before and at a failing program, and the manual road's, are
    // seen in the markers of the next test.)
    EXPECT_TRUE(campagne::etape_faite("manuelle", "rugosite-rapport", "reliefstat"));
    // A refusal before any program ran (settings, the runner itself).
    EXPECT_FALSE(campagne::etape_faite("photogrammetrique", "rugosite-chaine", "plyunpack"));
}

TEST(Campagne, LaMarqueNeLitQueLesFichiersDeCetteExecution)
{
    const program_test::WorkDir d;
    // Files left by an earlier complete run of the folder.
    d.write("f_color.txt", "1 2 3\n4 5 6\n7 8 9");
    d.write("cloud.txt", "1 1 1\n");
    d.write("grille.txt", "4x4x2.5\r\n0\n");
    d.write("campagne-sortie.txt", "moy=1 cm\nL'ecart quadratique moyen des hauteurs est RMS=0.912 cm\n");
    d.write("rapport.json", rapport_json);

    const Json apres_framefit = campagne::marque(d.path(), champs("photogrammetrique", "framefit", 20));
    EXPECT_EQ(apres_framefit["points_lus"], 3); // last line without its line end
    EXPECT_TRUE(apres_framefit["grille"].is_null());
    EXPECT_TRUE(apres_framefit["exponentiel"]["sigma"].is_null());

    const Json apres_rapport = campagne::marque(d.path(), champs("photogrammetrique", "rugosite-rapport", 1));
    EXPECT_EQ(apres_rapport["grille"], "4x4x2.5");
    EXPECT_DOUBLE_EQ(apres_rapport["rms_reliefstat"].get<double>(), 0.912);
    EXPECT_TRUE(apres_rapport["Sq"].is_null());

    const Json complet = campagne::marque(d.path(), champs("photogrammetrique", "", 0));
    EXPECT_EQ(complet["points_gardes"], 1);
    EXPECT_TRUE(complet["gaussien"]["sigma"].is_null()); // a failed fit

    const Json manuelle = campagne::marque(d.path(), champs("manuelle", "", 0));
    EXPECT_TRUE(manuelle["points_lus"].is_null());
    EXPECT_EQ(manuelle["grille"], "4x4x2.5");

    // An unreadable report gives no figure.
    d.write("rapport.json", "{\"ajustements\": ");
    const Json illisible = campagne::marque(d.path(), champs("manuelle", "", 0));
    EXPECT_TRUE(illisible["exponentiel"]["sigma"].is_null());
}

TEST(Campagne, NombresDuTableau)
{
    EXPECT_EQ(campagne::nombre(Json(nullptr)), "");
    const double tiers = 1.0 / 3.0;
    EXPECT_EQ(std::stod(campagne::nombre(Json(tiers))), tiers); // reads back exactly
    // A decimal comma locale changes nothing.
    if (std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr) {
        EXPECT_EQ(campagne::nombre(Json(2.5)), "2.5");
        std::setlocale(LC_ALL, "C");
    }
}

TEST(Campagne, TableauxAvecDossiersAbsentsOuMarquesAbimees)
{
    const program_test::WorkDir d;
    fs::create_directories(d.path() / "fait");
    fs::create_directories(d.path() / "abime");
    fs::create_directories(d.path() / "neuf");
    d.write("fait/grille.txt", "4x4x2.5\n");
    d.write("fait/rapport.json", rapport_json);
    const Json m = campagne::marque(d.path() / "fait", champs("manuelle", "", 0));
    campagne::ecrire_atomique(d.path() / "fait" / campagne::fichier_marque, m.dump(1));
    d.write("abime/campagne-fait.json", "{\"statut\": 0,");

    std::vector<campagne::Mesure> mesures;
    for (const char* nom : {"fait", "abime", "neuf", "absent"})
        mesures.push_back(campagne::lire_mesure((d.path() / nom).string()));
    EXPECT_EQ(mesures[0].marque["statut"], 0);
    EXPECT_FALSE(mesures[0].marque.contains("empreinte"));
    EXPECT_TRUE(mesures[1].marque["statut"].is_null());
    EXPECT_TRUE(mesures[2].marque["statut"].is_null());
    EXPECT_EQ(mesures[3].marque["statut"], 1);
    EXPECT_EQ(mesures[3].marque["programme"], "rugosite-campagne");

    // Four rows with as many fields as the header.
    const std::string csv = campagne::table_csv(mesures), entete = csv.substr(0, csv.find('\n'));
    EXPECT_TRUE(entete.starts_with("dossier,route,statut,programme,")) << entete;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), ','), 5 * std::count(entete.begin(), entete.end(), ',')) << csv;

    const Json j = Json::parse(campagne::table_json(mesures));
    EXPECT_EQ(j["mesures_total"], 4);
    EXPECT_EQ(j["mesures_reussies"], 1);
    EXPECT_EQ(j["mesures"][0]["exponentiel"]["sigma"], 1.25);

    const std::string page = campagne::page_html(mesures);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    // The figures with four significant figures, the share of empty cells in percent.
    EXPECT_NE(page.find("<td>25.00 %</td><td></td><td>1.500</td><td>1.250</td><td>1.000</td><td>1.500</td>"
                        "<td>6.500</td><td>4.000</td><td>9.000</td>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("4 mesures, 1 réussie, 3 en échec ou non traitées."), std::string::npos);
}

TEST(Campagne, EcritureAtomique)
{
    const program_test::WorkDir d;
    d.write("t.csv", "ancien");
    campagne::ecrire_atomique(d.path() / "t.csv", "nouveau\n");
    EXPECT_EQ(d.files(), (std::map<std::string, std::string>{{"t.csv", "nouveau\n"}})); // no temporary left
    EXPECT_EQ(fs::status(d.path() / "t.csv").permissions(), fs::perms(0644)); // readable by all, whatever the umask
    EXPECT_THROW(campagne::ecrire_atomique(d.path() / "absent" / "t.csv", "x"), std::runtime_error);
}

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
