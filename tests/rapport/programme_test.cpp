// rugosite-rapport run as a user runs it in a measurement folder: its report
// against reliefstat's own figures on the same grid, the files it writes, and
// what it does with input it can't use.
#include "tests/rapport/grille_essai.hpp"
#include "tests/support/program_run.hpp"
#include "tools/rapport/rapport.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>

using nlohmann::json;
using program_test::run;
using program_test::WorkDir;

namespace {

std::vector<double> nombres(const std::string& texte)
{
    std::vector<double> v;
    std::istringstream flux(texte);
    std::string mot;
    while (flux >> mot)
        v.push_back(mot.find("nan") != std::string::npos ? std::nan("") : std::stod(mot));
    return v;
}

double apres(const std::string& texte, const std::string& repere)
{
    const auto p = texte.find(repere);
    return p == std::string::npos ? std::nan("") : std::stod(texte.substr(p + repere.size()));
}

const std::vector<std::string> sans_bootstrap{"--tirages", "0"};

} // namespace

TEST(RapportProgramme, MeanPlaneFiguresEqualReliefstats)
{
    for (auto [N, M, vides] : {std::tuple{61, 47, 0.15}, std::tuple{40, 55, 0.0}}) {
        SCOPED_TRACE(std::to_string(N) + " x " + std::to_string(M));
        WorkDir dir;
        dir.write("grille.txt", fichier_grille(N, M, 0.5, 1.2, 2.0, static_cast<std::uint64_t>(N), vides));
        const auto relief = run("reliefstat", {}, dir);
        ASSERT_EQ(relief.status, 0);
        const auto r = run("rugosite-rapport",
                           {"--nivellement", "plan_moyen", "--tirages", "0", "--fonction", "reliefstat", "--plage", "reliefstat"},
                           dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const json j = json::parse(dir.read("rapport.json"));

        EXPECT_NEAR(j["hauteurs"]["plan_moyen"]["Sq"].get<double>(), apres(relief.out, "RMS="), 1.01e-6);
        const std::vector<double> Hr = nombres(dir.read("Hr.txt"));
        ASSERT_EQ(Hr.size(), static_cast<std::size_t>(N - 1));
        const json& H = j["correlation"]["H"];
        ASSERT_EQ(H.size(), static_cast<std::size_t>(std::max(N, M) - 1));
        for (std::size_t e = 0; e < Hr.size(); ++e) {
            if (std::isnan(Hr[e]))
                EXPECT_TRUE(H[e].is_null()) << e;
            else
                EXPECT_NEAR(H[e].get<double>(), Hr[e], 1.01e-6) << e;
        }
        const std::vector<double> c = nombres(dir.read("c.txt"));
        for (std::size_t e = 0; e < c.size(); ++e)
            EXPECT_EQ(j["correlation"]["paires"][e].get<double>(), c[e]) << e;
        // With reliefstat's function and cut, the fit range is HR.m's.
        EXPECT_EQ(j["reglages"]["plage_ajustement"]["rayons"].get<int>(),
                  static_cast<int>(apres(dir.read("HR.m"), "r=zeros(1,")));
        EXPECT_EQ(j["reglages"]["nivellement"], "plan_moyen");
    }
}

TEST(RapportProgramme, ReportFilesHoldTheAgreedKeys)
{
    WorkDir dir;
    dir.write("grille.txt", fichier_grille(41, 41, 1.0, 0.8, 3.0, 3, 0.05, 0.1));
    const auto r = run("rugosite-rapport", {"--tirages", "20"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("rapport.json"), std::string::npos);
    EXPECT_EQ(r.err, "") << "no progress line off a terminal";
    const json j = json::parse(dir.read("rapport.json"));
    EXPECT_EQ(j["version"], 2);
    EXPECT_EQ(j["outil"], "rugosite-rapport");
    EXPECT_EQ(j["unite"]["route"], "manuelle");
    EXPECT_EQ(j["unite"]["longueur"], "cm");
    EXPECT_EQ(j["reglages"]["nivellement"], "plan");
    EXPECT_EQ(j["reglages"]["K"], 20);
    EXPECT_EQ(j["reglages"]["lignes"], 41);
    EXPECT_EQ(j["reglages"]["cellules"], 41 * 41);
    for (const char* n : {"plan_moyen", "plan", "polynome2"})
        for (const char* p : {"Sq", "Sa", "Ssk", "Sku", "Sp", "Sv", "Sz"})
            EXPECT_TRUE(j["hauteurs"][n][p].is_number()) << n << " " << p;
    // The tilt is in the mean-plane RMS only.
    EXPECT_GT(j["hauteurs"]["plan_moyen"]["Sq"].get<double>(), 1.2 * j["hauteurs"]["plan"]["Sq"].get<double>());
    for (const char* m : {"exponentiel", "gaussien"}) {
        const json& a = j["ajustements"][m];
        for (const char* k : {"sigma", "L", "erreur_sigma", "erreur_L", "residu"})
            EXPECT_TRUE(a[k].is_number()) << m << " " << k;
        for (const char* k : {"intervalle_sigma", "intervalle_L"}) {
            ASSERT_TRUE(a[k].is_array() && a[k].size() == 2) << m << " " << k;
            EXPECT_LT(a[k][0].get<double>(), a[k][1].get<double>());
        }
    }
    EXPECT_EQ(j["ajustements"]["meilleur"], "exponentiel");
    for (const char* k : {"L_cadre", "L_barre", "anisotropie", "sigma_cadre", "sigma_barre"})
        EXPECT_TRUE(j["directions"][k].is_number()) << k;
    EXPECT_EQ(j["directions"]["axes"][0]["cle"], "cadre");
    EXPECT_EQ(j["directions"]["axes"][1]["cle"], "barre");
    EXPECT_TRUE(j["directions"]["intervalle_anisotropie"].is_null());
    for (const char* m : {"exponentiel", "gaussien"}) {
        EXPECT_EQ(j["ajustements"][m]["resolu"], true) << m;
        EXPECT_EQ(j["ajustements"][m]["motif"], "") << m;
        EXPECT_EQ(j["directions"]["par_modele"][m]["barre"]["resolu"], true) << m;
    }
    EXPECT_EQ(j["reglages"]["fonction"], "toutes_paires");
    EXPECT_EQ(j["reglages"]["plage_ajustement"]["nom"], "longueurs");
    EXPECT_EQ(j["reglages"]["plage_ajustement"]["rayons"], j["ajustements"]["exponentiel"]["rayons"]);
    for (const char* k : {"r", "H", "paires", "H_cadre", "paires_cadre", "H_barre", "paires_barre"})
        EXPECT_EQ(j["correlation"][k].size(), 40u) << k;

    const std::string csv = dir.read("rapport.csv");
    const auto fin = csv.find('\n');
    ASSERT_NE(fin, std::string::npos);
    const std::string entete = csv.substr(0, fin), valeurs = csv.substr(fin + 1);
    EXPECT_EQ(std::count(entete.begin(), entete.end(), ','), std::count(valeurs.begin(), valeurs.end(), ','));
    EXPECT_EQ(entete.rfind("fichier,route,", 0), 0u);
    EXPECT_NE(entete.find("L_exp"), std::string::npos);
    // The fits' standard errors understate the spread: JSON only.
    EXPECT_EQ(entete.find("erreur_"), std::string::npos);
    EXPECT_NE(entete.find(",resolu_exp,motif_exp,resolu_gau,motif_gau,axe1,"), std::string::npos) << entete;
    EXPECT_EQ(valeurs.rfind("grille.txt,manuelle,cm,41,41,", 0), 0u) << valeurs;
    EXPECT_EQ(valeurs.back(), '\n');
    // Nothing left under a temporary name.
    for (const auto& [nom, contenu] : dir.files())
        EXPECT_EQ(nom.find(".tmp"), std::string::npos) << nom;
}

TEST(RapportProgramme, NamedGridInAnotherFolderAndItsRoad)
{
    WorkDir dir;
    std::filesystem::create_directory(dir.path() / "mesure");
    program_test::spit(dir.path() / "mesure" / "g.txt", fichier_grille(30, 30, 0.5, 1, 2, 9, 0.0));
    program_test::spit(dir.path() / "mesure" / "cloud.txt", "50 50 1\n");
    const auto r = run("rugosite-rapport", {"mesure/g.txt", "--tirages", "0"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(dir.exists("rapport.json"));
    const json j = json::parse(program_test::slurp(dir.path() / "mesure" / "rapport.json"));
    EXPECT_EQ(j["fichier"], "g.txt");
    EXPECT_EQ(j["unite"]["route"], "photogrammetrique");
    EXPECT_EQ(j["unite"]["longueur"], "% du cote du cadre");
    EXPECT_TRUE(j["ajustements"]["exponentiel"]["intervalle_L"].is_null());
    // The option decides over the folder.
    const auto m = run("rugosite-rapport", {"mesure/g.txt", "--tirages", "0", "--route", "manuelle"}, dir);
    ASSERT_EQ(m.status, 0);
    EXPECT_EQ(json::parse(program_test::slurp(dir.path() / "mesure" / "rapport.json"))["unite"]["longueur"], "cm");
}

TEST(RapportProgramme, BadInputGivesAFrenchMessageStatusOneAndNoReport)
{
    const std::vector<std::pair<std::string, std::string>> cas = {
        {"", "impossible d'ouvrir le fichier grille.txt"},
        {"200x200\n1\n2\n", "l'en-tete ne donne pas"},
        {"2x2x1.0\n1\n2\n3\n", "trop peu de hauteurs"},
        {"1x1x1.0\n10000\n10000\n10000\n10000\n", "aucune cellule reelle"},
        {"0x4x1.0\n1\n2\n3\n4\n5\n", "une ligne ou qu'une colonne"},
        {"4x0x1.0\n1\n2\n3\n4\n5\n", "une ligne ou qu'une colonne"},
        {"2x2x1.0\n5\n5\n5\n5\n10000\n5\n5\n5\n5\n", "toutes les hauteurs sont egales"},
        {"1x1x1.0\n1\n2\nnan\n4\n", "grille.txt, ligne 4 : la hauteur \"nan\" n'est pas un nombre fini"},
        {"1x1x1.0\n1\n2e\n3\n4\n", "grille.txt, ligne 3 : \"2e\" n'est pas un nombre"},
        {"1x1x-1.0\n1\n2\n3\n4\n", "le pas de la grille doit etre un nombre positif"},
    };
    for (const auto& [contenu, attendu] : cas) {
        SCOPED_TRACE(attendu);
        WorkDir dir;
        if (!contenu.empty())
            dir.write("grille.txt", contenu);
        dir.write("rapport.json", "ancien");
        const auto r = run("rugosite-rapport", sans_bootstrap, dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(attendu), std::string::npos) << r.err;
        EXPECT_EQ(dir.read("rapport.json"), "ancien");
        EXPECT_FALSE(dir.exists("rapport.csv"));
        EXPECT_FALSE(dir.exists("rapport.html"));
        EXPECT_EQ(dir.files().size(), contenu.empty() ? 1u : 2u);
    }
}

// A perfect photogrammetric grid: every node of the frame's crop holds a
// height, the border outside it is empty. Two words after the announced
// heights are warned about and counted.
TEST(RapportProgramme, EmptyShareInTheCropAndExtraHeights)
{
    WorkDir dir;
    std::string texte = "50x50x2.000000\n";
    for (int j = 0; j <= 50; ++j)
        for (int i = 0; i <= 50; ++i) {
            const bool dehors = i < 2 || j < 2 || i > 48 || j > 48; // x = 2 j, y = 2 i outside (2, 98)
            texte += dehors ? "10000.000000\n" : std::to_string(std::sin(0.9 * i) + std::cos(1.3 * j)) + "\n";
        }
    dir.write("grille.txt", texte + "1.5 2.5\n");
    const auto r = run("rugosite-rapport", {"--tirages", "0", "--route", "photogrammetrique"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("rugosite-rapport : avertissement : grille.txt : 2 valeurs apres les 2601 hauteurs "
                         "qu'annonce l'en-tete (51 x 51), ignorees\n"),
              0u)
        << r.err;
    const json j = json::parse(dir.read("rapport.json"));
    EXPECT_EQ(j["hauteurs_en_trop"], 2);
    EXPECT_EQ(j["reglages"]["part_vide"], 0.0);
    EXPECT_EQ(j["reglages"]["cellules_vides"], 51 * 51 - 47 * 47);
    // The manual road counts every cell.
    const auto m = run("rugosite-rapport", {"--tirages", "0", "--route", "manuelle"}, dir);
    ASSERT_EQ(m.status, 0) << m.err;
    EXPECT_DOUBLE_EQ(json::parse(dir.read("rapport.json"))["reglages"]["part_vide"].get<double>(),
                     (51.0 * 51 - 47 * 47) / (51 * 51));
}

TEST(RapportProgramme, AReportThatCannotBeWrittenLeavesTheOldOneWhole)
{
    WorkDir dir;
    dir.write("grille.txt", fichier_grille(20, 20, 1.0, 1, 3, 4, 0.0));
    dir.write("rapport.json", "ancien");
    std::filesystem::create_directory(dir.path() / "rapport.csv");
    const auto r = run("rugosite-rapport", sans_bootstrap, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("rapport.csv"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("rapport.json"), "ancien");
    EXPECT_EQ(dir.files().size(), 2u) << "no temporary file left";
    // A folder that can't be written to: the file and the system's reason.
    try {
        rapport::ecrire_fichiers({{dir.path() / "absent" / "rapport.json", "{}"}});
        ADD_FAILURE() << "ecriture dans un dossier absent";
    } catch (const rapport::Erreur& e) {
        EXPECT_EQ(std::string(e.what()), "impossible d'ecrire " + (dir.path() / "absent" / "rapport.json").string() +
                                             " : " + std::strerror(ENOENT));
    }
}

TEST(RapportProgramme, ASeedGivesTheSameReportWhateverTheThreads)
{
    WorkDir dir;
    dir.write("grille.txt", fichier_grille(30, 24, 1.0, 1, 3, 5, 0.1));
    ASSERT_EQ(run("rugosite-rapport", {"--tirages", "12", "--graine", "9", "--fils", "1"}, dir).status, 0);
    const std::string un = dir.read("rapport.json");
    ASSERT_EQ(run("rugosite-rapport", {"--tirages", "12", "--graine", "9", "--fils", "2"}, dir).status, 0);
    EXPECT_EQ(dir.read("rapport.json"), un);
    ASSERT_EQ(run("rugosite-rapport", {"--tirages", "12", "--graine", "10"}, dir).status, 0);
    const json autre = json::parse(dir.read("rapport.json")), premier = json::parse(un);
    EXPECT_NE(autre["ajustements"]["exponentiel"]["intervalle_L"], premier["ajustements"]["exponentiel"]["intervalle_L"]);
    EXPECT_EQ(autre["ajustements"]["exponentiel"]["L"], premier["ajustements"]["exponentiel"]["L"]);
    EXPECT_EQ(autre["reglages"]["graine"], 10);
}

TEST(RapportProgramme, ProgressLineOnATerminal)
{
    if (std::system("script --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "NOTICE: script (util-linux) absent : la ligne de progression au terminal n'est pas verifiee";
    WorkDir dir;
    dir.write("grille.txt", fichier_grille(20, 20, 1.0, 1, 3, 6, 0.0));
    const std::string commande = "cd '" + dir.path().string() + "' && script -qec '" +
                                 program_test::program_path("rugosite-rapport") +
                                 " --tirages 10' /dev/null > ecran.txt 2>&1";
    ASSERT_EQ(std::system(commande.c_str()), 0);
    const std::string ecran = dir.read("ecran.txt");
    EXPECT_NE(ecran.find("\rrugosite-rapport : bootstrap exponentiel 10/10"), std::string::npos) << ecran;
    EXPECT_NE(ecran.find("bootstrap gaussien 10/10"), std::string::npos) << ecran;
}

TEST(RapportProgramme, AFitThatCannotBeMadeIsMarkedAndTheRestReported)
{
    // A 3 x 3 grid gives one separation with pairs: no fit, heights still reported.
    WorkDir dir;
    dir.write("grille.txt", "2x2x1.0\n0\n1\n2\n3\n4\n5\n6\n7\n9\n");
    const auto r = run("rugosite-rapport", sans_bootstrap, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("avertissement"), std::string::npos);
    const json j = json::parse(dir.read("rapport.json"));
    EXPECT_TRUE(j["ajustements"]["exponentiel"]["echec"].is_string());
    EXPECT_TRUE(j["ajustements"]["meilleur"].is_null());
    EXPECT_TRUE(j["hauteurs"]["plan"]["Sq"].is_number());
    EXPECT_TRUE(dir.exists("rapport.csv"));
}

TEST(RapportProgramme, CommandLine)
{
    WorkDir dir;
    dir.write("grille.txt", "1x1x1.0\n1\n2\n3\n4\n");
    for (const char* mot : {"--aide", "-h", "--help"}) {
        const auto aide = run("rugosite-rapport", {mot}, dir);
        EXPECT_EQ(aide.status, 0) << mot;
        EXPECT_NE(aide.out.find("--nivellement"), std::string::npos);
        EXPECT_NE(aide.out.find("Statut de sortie"), std::string::npos);
        EXPECT_EQ(dir.files().size(), 1U); // the grid alone: help writes nothing
    }
    std::filesystem::remove(dir.path() / "grille.txt");
    for (const std::vector<std::string>& mots :
         {std::vector<std::string>{"--nivellement", "cubique"}, {"--tirages", "-3"}, {"--rayons", "2"},
          {"--inconnue", "1"}, {"a.txt", "b.txt"}, {"--graine"}, {"--route", "satellite"},
          {"--plage", "50"}, {"--fonction", "lignes"}}) {
        const auto r = run("rugosite-rapport", mots, dir);
        EXPECT_EQ(r.status, 1) << mots[0];
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(dir.files().empty());
    }
}

namespace {

// A grid file of heights correlated along x (the grid's columns, the slower
// index of the file) over about 9.5 steps and along y over about 1.4 steps:
// AR(1) processes of coefficients 0.9 and 0.5.
std::string grille_allongee(int N, int M, std::uint64_t graine)
{
    std::mt19937_64 alea(graine);
    std::normal_distribution<double> normale;
    std::vector<double> z(static_cast<std::size_t>(N) * M);
    auto at = [&](int i, int j) -> double& { return z[static_cast<std::size_t>(i) * M + j]; };
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            at(i, j) = normale(alea) + (j > 0 ? 0.9 * at(i, j - 1) : 0.0);
    for (int i = 1; i < N; ++i)
        for (int j = 0; j < M; ++j)
            at(i, j) += 0.5 * at(i - 1, j);
    std::string texte = std::to_string(N - 1) + "x" + std::to_string(M - 1) + "x1.0\n";
    for (int j = 0; j < M; ++j)
        for (int i = 0; i < N; ++i)
            texte += std::to_string(at(i, j)) + "\n";
    return texte;
}

} // namespace

TEST(RapportProgramme, DirectionsAreNamedAfterEachRoad)
{
    for (const char* route : {"manuelle", "photogrammetrique"}) {
        SCOPED_TRACE(route);
        WorkDir dir;
        dir.write("grille.txt", grille_allongee(120, 120, 4));
        const auto r = run("rugosite-rapport", {"--tirages", "0", "--route", route}, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const json j = json::parse(dir.read("rapport.json"));
        const bool manuelle = std::string(route) == "manuelle";
        const std::string x = manuelle ? "cadre" : "X", y = manuelle ? "barre" : "Y";
        const json& d = j["directions"];
        EXPECT_EQ(d["axes"][0]["cle"], x);
        EXPECT_EQ(d["axes"][1]["cle"], y);
        EXPECT_EQ(d["axes"][0]["nom"], manuelle ? "le long du cadre (positions de la barre)"
                                                : "le long du côté X du cadre (de O à X)");
        EXPECT_EQ(d["axes"][1]["nom"], manuelle ? "le long de la barre (positions du chariot)"
                                                : "le long du côté Y du cadre (de O à Y)");
        // The long correlation runs along x: the frame (manual road), side X.
        const double Lx = d["L_" + x].get<double>(), Ly = d["L_" + y].get<double>();
        EXPECT_GT(Lx, 3 * Ly);
        EXPECT_NEAR(d["anisotropie"].get<double>(), Lx / Ly, 1e-12 * Lx / Ly);
        EXPECT_EQ(d["par_modele"]["exponentiel"][x]["L"], d["L_" + x]);
        ASSERT_EQ(j["correlation"]["H_" + x].size(), 119u);
        // Pairs along x first rise more slowly than along y.
        EXPECT_LT(j["correlation"]["H_" + x][0].get<double>(), j["correlation"]["H_" + y][0].get<double>());
        const std::string csv = dir.read("rapport.csv");
        EXPECT_NE(csv.find("," + x + ","), std::string::npos);
    }
}

TEST(RapportProgramme, GridsThatCannotResolveLSayIt)
{
    {
        // Uncorrelated readings at a 2 cm step: no interval, the reason in words.
        WorkDir dir;
        std::mt19937_64 alea(8);
        std::normal_distribution<double> normale;
        std::string texte = "24x19x2.0\n";
        for (int k = 0; k < 25 * 20; ++k)
            texte += std::to_string(5 + normale(alea)) + "\n";
        dir.write("grille.txt", texte);
        const auto r = run("rugosite-rapport", {"--tirages", "20"}, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const json j = json::parse(dir.read("rapport.json"));
        for (const char* m : {"exponentiel", "gaussien"}) {
            const json& a = j["ajustements"][m];
            EXPECT_EQ(a["resolu"], false) << m;
            EXPECT_EQ(a["motif"], "L est plus courte que le pas : non mesurable avec cette grille") << m;
            EXPECT_TRUE(a["intervalle_L"].is_null()) << m;
            EXPECT_TRUE(a["intervalle_sigma"].is_null()) << m;
        }
        EXPECT_NE(r.err.find("L est plus courte que le pas"), std::string::npos);
        EXPECT_NE(dir.read("rapport.csv").find(",0,L est plus courte que le pas"), std::string::npos);
    }
    // A grid of 4 rows and its transpose: the long direction is fitted, the
    // short one is not, the pooled figures are the same.
    const std::string court = fichier_grille(4, 200, 1.0, 1.0, 5.0, 6, 0.0);
    const std::vector<double> h = nombres(court.substr(court.find('\n')));
    std::string transpose = "199x3x1.0\n";
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 200; ++j)
            transpose += std::to_string(h[static_cast<std::size_t>(j) * 4 + i]) + "\n";
    std::vector<json> rapports;
    for (const std::string& texte : {court, transpose}) {
        WorkDir dir;
        dir.write("grille.txt", texte);
        const auto r = run("rugosite-rapport", sans_bootstrap, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        rapports.push_back(json::parse(dir.read("rapport.json")));
    }
    for (const char* m : {"exponentiel", "gaussien"}) {
        EXPECT_TRUE(rapports[0]["ajustements"][m]["L"].is_number()) << m;
        EXPECT_EQ(rapports[0]["ajustements"][m]["rayons"], rapports[1]["ajustements"][m]["rayons"]);
        EXPECT_NEAR(rapports[0]["ajustements"][m]["L"].get<double>() / rapports[1]["ajustements"][m]["L"].get<double>(),
                    1.0, 1e-9);
    }
    const json& a = rapports[0]["directions"]["par_modele"]["exponentiel"];
    const json& b = rapports[1]["directions"]["par_modele"]["exponentiel"];
    // 4 rows: the grid is short along y (the bar), long along x (the frame).
    EXPECT_EQ(a["barre"]["resolu"], false);
    EXPECT_TRUE(a["cadre"]["L"].is_number());
    EXPECT_EQ(b["cadre"]["resolu"], false);
    EXPECT_TRUE(b["barre"]["L"].is_number());
}

TEST(RapportProgramme, ATiltedPlaneIsFlatAndARoughOneIsNot)
{
    for (double rugosite : {0.0, 1e-6}) {
        SCOPED_TRACE(rugosite);
        WorkDir dir;
        std::string texte = "11x8x0.5\n";
        for (int j = 0; j < 9; ++j)
            for (int i = 0; i < 12; ++i) {
                char h[48];
                std::snprintf(h, sizeof h, "%.12f\n", 80.0 + 0.3 * i - 0.7 * j + rugosite * ((i * 7 + j * 3) % 5));
                texte += h;
            }
        dir.write("grille.txt", texte);
        const auto r = run("rugosite-rapport", {"--tirages", "10"}, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        const json j = json::parse(dir.read("rapport.json"));
        EXPECT_EQ(j["surface_plate"], rugosite == 0.0);
        if (rugosite == 0.0) {
            for (const char* m : {"exponentiel", "gaussien"}) {
                EXPECT_TRUE(j["ajustements"][m]["echec"].is_string()) << m;
                EXPECT_FALSE(j["ajustements"][m].contains("L")) << m;
                EXPECT_FALSE(j["ajustements"][m].contains("intervalle_L")) << m;
            }
            EXPECT_NE(r.err.find("surface plate"), std::string::npos);
        } else {
            EXPECT_TRUE(j["ajustements"]["exponentiel"]["sigma"].is_number());
        }
    }
}
