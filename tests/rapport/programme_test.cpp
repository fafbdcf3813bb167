// rugosite-rapport run as a user runs it in a measurement folder: its report
// against reliefstat's own figures on the same grid, the files it writes, and
// what it does with input it can't use.
#include "tests/rapport/grille_essai.hpp"
#include "tests/support/program_run.hpp"
#include "tools/rapport/rapport.hpp"
#include "tools/rapport/texture_json.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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
    for (std::string mot; flux >> mot;)
        v.push_back(mot.find("nan") != std::string::npos ? std::nan("") : std::stod(mot));
    return v;
}

double apres(const std::string& texte, const std::string& repere)
{
    const auto p = texte.find(repere);
    return p == std::string::npos ? std::nan("") : std::stod(texte.substr(p + repere.size()));
}

// The report of a grid file run in a fresh folder (status 0 expected).
struct Rapport {
    WorkDir dir;
    program_test::RunResult r;
    json j;
    Rapport(const std::string& grille, const std::vector<std::string>& mots)
    {
        dir.write("grille.txt", grille);
        r = run("rugosite-rapport", mots, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        j = r.status == 0 ? json::parse(dir.read("rapport.json")) : json();
    }
};

// A grid file of `lignes` x `colonnes` heights h(i, j), written column after
// column as the road writes them.
std::string texte_grille(int lignes, int colonnes, double pas, const std::function<double(int, int)>& h)
{
    char mot[48];
    std::snprintf(mot, sizeof mot, "%dx%dx%g\n", lignes - 1, colonnes - 1, pas);
    std::string texte = mot;
    for (int j = 0; j < colonnes; ++j)
        for (int i = 0; i < lignes; ++i) {
            std::snprintf(mot, sizeof mot, "%.12f\n", h(i, j));
            texte += mot;
        }
    return texte;
}

// A grid file of a plane, plus `rugosite` times a fixed pattern.
std::string plan(double rugosite)
{
    return texte_grille(12, 9, 0.5, [=](int i, int j) { return 80.0 + 0.3 * i - 0.7 * j + rugosite * ((i * 7 + j * 3) % 5); });
}

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
    }
}

// The three files of a default run; the texture parameters are those of the
// levelled surface, the same in the JSON and the CSV. In a log, about a line
// of progress a tenth of the draws.
TEST(RapportProgramme, ReportFilesHoldTheAgreedFigures)
{
    const Rapport a(fichier_grille(41, 41, 1.0, 0.8, 3.0, 3, 0.05, 0.1), {"--tirages", "70"});
    const json& j = a.j;
    EXPECT_NEAR(std::count(a.r.err.begin(), a.r.err.end(), '\n'), 20, 2) << a.r.err; // about ten a model
    EXPECT_EQ(a.r.err.find('\r'), std::string::npos);
    // The tilt is in the mean-plane RMS only.
    EXPECT_GT(j["hauteurs"]["plan_moyen"]["Sq"].get<double>(), 1.2 * j["hauteurs"]["plan"]["Sq"].get<double>());
    EXPECT_EQ(j["ajustements"]["meilleur"], "exponentiel");
    // Every interval, the texture parameters' from the exponential model's draws.
    for (const char* p : {"/ajustements/exponentiel/intervalle_sigma", "/ajustements/exponentiel/intervalle_L",
                          "/ajustements/gaussien/intervalle_sigma", "/ajustements/gaussien/intervalle_L",
                          "/directions/intervalle_anisotropie", "/espace/intervalle_Sal", "/espace/intervalle_Str",
                          "/hybrides/intervalle_Sdq", "/hybrides/intervalle_Sdr"}) {
        const json& i = j[json::json_pointer(p)];
        ASSERT_TRUE(i.is_array() && i.size() == 2) << p;
        EXPECT_LT(i[0].get<double>(), i[1].get<double>()) << p;
    }

    const std::string csv = a.dir.read("rapport.csv");
    const std::string entete = std::string(",").append(csv, 0, csv.find('\n')).append(",");
    const std::string valeurs = csv.substr(csv.find('\n') + 1);
    EXPECT_EQ(std::count(entete.begin(), entete.end(), ','), std::count(valeurs.begin(), valeurs.end(), ',') + 2);
    EXPECT_EQ(valeurs.rfind("grille.txt,manuelle,cm,41,41,", 0), 0u) << valeurs;
    EXPECT_EQ(a.dir.files().size(), 4u) << "grille.txt and the three reports, nothing under a temporary name";

    const rapport::Grille g = rapport::lire_grille(a.dir.path() / "grille.txt");
    const rapport::Texture t =
        rapport::texture(rapport::niveler(g, rapport::Nivellement::plan), g.lignes, g.colonnes, g.pas);
    std::vector<std::string> champs;
    std::stringstream ligne(valeurs);
    for (std::string c; std::getline(ligne, c, ',');)
        champs.push_back(c);
    const std::tuple<const char*, const char*, double> attendus[] = {
        {"espace", "Sal", t.espace.Sal},     {"espace", "Str", t.espace.Str},       {"hybrides", "Sdq", t.hybrides.Sdq},
        {"hybrides", "Sdr", t.hybrides.Sdr}, {"fonctionnels", "Vvv", t.fonctionnels.Vvv}};
    for (const auto& [groupe, nom, v] : attendus) {
        SCOPED_TRACE(nom);
        EXPECT_DOUBLE_EQ(j[groupe][nom].get<double>(), v);
        const auto p = entete.find(std::string(",").append(nom).append(","));
        ASSERT_NE(p, std::string::npos);
        const auto k = static_cast<std::size_t>(std::count(entete.begin(), entete.begin() + p, ','));
        EXPECT_NEAR(std::strtod(champs.at(k).c_str(), nullptr), v, 1e-9 * std::abs(v));
    }
}

TEST(RapportProgramme, BadInputGivesAFrenchMessageStatusOneAndNoReport)
{
    const std::vector<std::pair<std::string, std::string>> cas = {
        {"", "impossible d'ouvrir le fichier grille.txt"},
        {"200x200\n1\n2\n", "l'en-tete ne donne pas"},
        {"1x1x1.0\n10000\n10000\n10000\n10000\n", "aucune cellule reelle"},
        {"0x4x1.0\n1\n2\n3\n4\n5\n", "une ligne ou qu'une colonne"},
        {"2x2x1.0\n5\n5\n5\n5\n10000\n5\n5\n5\n5\n", "toutes les hauteurs sont egales"},
        {"-1x2x1.0\n", "l'en-tete donne un nombre de pas negatif"},
        {"1x1x0\n1\n2\n3\n4\n", "le pas de la grille doit etre un nombre positif"},
        {"1x1x1.0\n1\n2\n3\n", "trop peu de hauteurs (3 lues, 4 attendues"},
        // A word that is not a finite number is named with its line.
        {"1x1x1.0\n1\n2\nx\n4\n", "grille.txt, ligne 4 : \"x\" n'est pas un nombre (hauteur 3 sur 4)"},
        {"1x1x1.0 1\n2 1,5\n4\n", "grille.txt, ligne 2 : \"1,5\" n'est pas un nombre (hauteur 3 sur 4)"},
        {"1x1x1.0\r\n1\r\n1e400\r\n3\r\n4\r\n", "ligne 3 : la hauteur \"1e400\" n'est pas un nombre fini"},
        // A header announcing far more than the file holds is told, not allocated.
        {"40000x40000x1.0\n1\n2\n", "trop peu de hauteurs (2 lues"},
        {"99999x99999x1.0\n1\n", "grille trop grande"},
    };
    for (const auto& [contenu, attendu] : cas) {
        SCOPED_TRACE(attendu);
        WorkDir dir;
        if (!contenu.empty())
            dir.write("grille.txt", contenu);
        dir.write("rapport.json", "ancien");
        const auto r = run("rugosite-rapport", {"--tirages", "0"}, dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(attendu), std::string::npos) << r.err;
        EXPECT_EQ(dir.read("rapport.json"), "ancien");
        EXPECT_EQ(dir.files().size(), contenu.empty() ? 1u : 2u);
    }
}

// A perfect photogrammetric grid, named in another folder where its cloud
// tells the road: every node of the frame's crop holds a height, the border
// outside it is empty. Two words after the announced heights are warned about
// and counted. The offset at the origin is fitted when asked. The option
// decides over the folder; the manual road counts every cell.
TEST(RapportProgramme, PhotogrammetricGridInAnotherFolder)
{
    const std::string texte = texte_grille(51, 51, 2.0, [](int i, int j) {
        const bool dehors = i < 2 || j < 2 || i > 48 || j > 48; // x = 2 j, y = 2 i outside (2, 98)
        return dehors ? 10000.0 : std::sin(0.9 * i) + std::cos(1.3 * j);
    });
    WorkDir dir;
    std::filesystem::create_directory(dir.path() / "mesure");
    program_test::spit(dir.path() / "mesure" / "g.txt", texte + "1.5 2.5\n");
    program_test::spit(dir.path() / "mesure" / "cloud.txt", "50 50 1\n");
    const auto r = run("rugosite-rapport", {"mesure/g.txt", "--tirages", "0", "--pepite", "libre"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("rugosite-rapport : avertissement : mesure/g.txt : 2 valeurs apres les 2601 hauteurs "
                         "qu'annonce l'en-tete (51 x 51), ignorees\n"),
              0u)
        << r.err;
    EXPECT_FALSE(dir.exists("rapport.json"));
    const json j = json::parse(program_test::slurp(dir.path() / "mesure" / "rapport.json"));
    EXPECT_EQ(j["fichier"], "g.txt");
    EXPECT_EQ(j["unite"]["route"], "photogrammetrique");
    EXPECT_EQ(j["directions"]["axes"][0]["cle"], "X");
    EXPECT_EQ(j["directions"]["axes"][1]["cle"], "Y");
    EXPECT_EQ(j["hauteurs_en_trop"], 2);
    EXPECT_EQ(j["reglages"]["part_vide"], 0.0);
    EXPECT_EQ(j["reglages"]["cellules_vides"], 51 * 51 - 47 * 47);
    EXPECT_EQ(j["reglages"]["pepite"], "libre");
    EXPECT_TRUE(j["ajustements"]["exponentiel"].contains("pepite"));
    // Without log.txt the capture disc is unknown: H is fitted as it is, and said so.
    EXPECT_EQ(j["reglages"]["disque"]["corrige"], false);
    EXPECT_NE(r.err.find("pas de correction du disque de capture : log.txt ne dit pas les réglages du dernier "
                         "échantillonnage"),
              std::string::npos)
        << r.err;
    ASSERT_EQ(run("rugosite-rapport", {"mesure/g.txt", "--tirages", "0", "--route", "manuelle"}, dir).status, 0);
    const json m = json::parse(program_test::slurp(dir.path() / "mesure" / "rapport.json"));
    EXPECT_DOUBLE_EQ(m["reglages"]["part_vide"].get<double>(), (51.0 * 51 - 47 * 47) / (51 * 51));
    EXPECT_EQ(m["reglages"]["pepite"], "nulle");
    EXPECT_TRUE(m["reglages"]["disque"].is_null());
    EXPECT_FALSE(m["ajustements"]["exponentiel"].contains("pepite"));
}

// Heights of independent points, of variance 1, four in each capture disc:
// the nodes' means have H = 2/4 at every separation, the points H = 2. The
// report adds back twice the mean spread of each disc's heights, with the
// settings of the last echantillonnage run in log.txt, once cloud.txt is seen
// to give the grid's heights. Otherwise, or when told not to, H stays that of
// the means and the report says why.
TEST(RapportProgramme, WhatTheCaptureDiscTakesFromHIsAddedBack)
{
    const int nbr_pas = 20;
    const double pas = 100.0 / nbr_pas;
    std::mt19937_64 hasard(7);
    std::vector<double> moyennes((nbr_pas + 1) * (nbr_pas + 1), 10000.0);
    std::string nuage;
    char ligne[96];
    for (int x = 1; x < nbr_pas; ++x)
        for (int y = 1; y < nbr_pas; ++y) {
            double somme = 0;
            for (int k = 0; k < 4; ++k) { // 0.35 step from the node, within r = 0.4
                const double z = std::sqrt(3.0) * (2.0 * static_cast<double>(hasard() >> 11) * 0x1p-53 - 1.0);
                somme += z;
                std::snprintf(ligne, sizeof ligne, "%f %f %.9f\n", pas * (x + (k % 2 ? 0.25 : -0.25)),
                              pas * (y + (k / 2 ? 0.25 : -0.25)), z);
                nuage += ligne;
            }
            moyennes[static_cast<std::size_t>(y * (nbr_pas + 1) + x)] = somme / 4;
        }
    const auto grille = [&](double retouche) {
        return texte_grille(nbr_pas + 1, nbr_pas + 1, pas, [&](int i, int j) {
            return moyennes[static_cast<std::size_t>(i * (nbr_pas + 1) + j)] + (i == 5 && j == 7 ? retouche : 0.0);
        });
    };
    WorkDir dir;
    dir.write("cloud.txt", nuage + "fin\n5 5 2\n"); // the reading stops at the word, as echantillonnage's
    dir.write("log.txt", "execution echantillonnage\nchargement des parametres personnalises... nbr_pas=50 et "
                         "r=0.200000\nexecution echantillonnage\nchargement des parametres personnalises... "
                         "nbr_pas=20 et r=0.400000\nfin de echantillonnage\nexecution reliefstat\n");
    const auto H = [](const json& j, int de, int a) {
        double s = 0;
        for (int e = de; e < a; ++e)
            s += j["correlation"]["H"][e].get<double>();
        return s / (a - de);
    };
    dir.write("grille.txt", grille(0.0));
    auto r = run("rugosite-rapport", {"--tirages", "0"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    json j = json::parse(dir.read("rapport.json"));
    EXPECT_EQ(r.err.find("disque"), std::string::npos) << r.err;
    EXPECT_EQ(j["reglages"]["disque"]["corrige"], true);
    EXPECT_EQ(j["reglages"]["disque"]["rayon"], 0.4);
    EXPECT_EQ(j["reglages"]["disque"]["points_par_noeud"], 4.0);
    EXPECT_NEAR(j["reglages"]["disque"]["decalage_H"].get<double>(), 1.5, 0.1);
    EXPECT_NEAR(H(j, 0, 6), 2.0, 0.15);
    EXPECT_NEAR(H(j, 0, 6), j["correlation"]["H_X"][2].get<double>() / 2 + j["correlation"]["H_Y"][2].get<double>() / 2, 0.3);

    const std::pair<std::vector<std::string>, std::string> sans[] = {
        {{"--tirages", "0", "--disque", "non"}, "--disque non"},
        {{"--tirages", "0", "--fonction", "reliefstat"}, "--fonction reliefstat ajuste la fonction de reliefstat telle quelle"},
    };
    for (const auto& [mots, motif] : sans) {
        r = run("rugosite-rapport", mots, dir);
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.err.find("disque"), std::string::npos) << r.err; // asked for: no warning
        j = json::parse(dir.read("rapport.json"));
        EXPECT_EQ(j["reglages"]["disque"]["corrige"], false);
        EXPECT_EQ(j["reglages"]["disque"]["motif"], motif);
        EXPECT_NEAR(H(j, 0, 6), 0.5, 0.1) << motif;
    }
    // A log that tells another grid: no correction, and nothing set up for its nodes.
    dir.write("log.txt", "execution echantillonnage\nchargement des parametres personnalises... nbr_pas=2000000000 "
                         "et r=0.400000\n");
    r = run("rugosite-rapport", {"--tirages", "0"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("la grille n'a pas les 2000000001 x 2000000001 nœuds du dernier échantillonnage de log.txt"),
              std::string::npos)
        << r.err;
    dir.write("log.txt", "execution echantillonnage\nchargement des parametres personnalises... nbr_pas=20 et "
                         "r=0.400000\n");
    dir.write("grille.txt", grille(0.001));
    r = run("rugosite-rapport", {"--tirages", "0"}, dir);
    j = json::parse(dir.read("rapport.json"));
    EXPECT_EQ(j["reglages"]["disque"]["corrige"], false);
    EXPECT_NE(r.err.find("rugosite-rapport : avertissement : pas de correction du disque de capture : cloud.txt ne "
                         "donne pas les hauteurs de la grille : 1 nœud sur 441 diffère ; σ et L sont celles des "
                         "moyennes des disques (L plus longue)\n"),
              std::string::npos)
        << r.err;
    EXPECT_NEAR(H(j, 0, 6), 0.5, 0.1);
}

TEST(RapportProgramme, AReportThatCannotBeWrittenLeavesTheOldOneWhole)
{
    WorkDir dir;
    dir.write("grille.txt", fichier_grille(20, 20, 1.0, 1, 3, 4, 0.0));
    dir.write("rapport.json", "ancien");
    std::filesystem::create_directory(dir.path() / "rapport.csv");
    const auto r = run("rugosite-rapport", {"--tirages", "0"}, dir);
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

TEST(RapportProgramme, CommandLine)
{
    WorkDir dir;
    const auto aide = run("rugosite-rapport", {"--aide"}, dir);
    EXPECT_EQ(aide.status, 0);
    EXPECT_NE(aide.out.find("Statut de sortie"), std::string::npos);
    for (const std::vector<std::string>& mots :
         {std::vector<std::string>{"--nivellement", "cubique"}, {"--tirages", "-3"}, {"--rayons", "2"},
          {"--inconnue", "1"}, {"a.txt", "b.txt"}, {"--graine"}, {"--route", "satellite"},
          {"--plage", "50"}, {"--fonction", "lignes"}}) {
        const auto r = run("rugosite-rapport", mots, dir);
        EXPECT_EQ(r.status, 1) << mots[0];
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_TRUE(dir.files().empty()); // neither the help nor a refusal writes
}

// Heights correlated along x (the grid's columns, the slower index of the
// file) over about 9.5 steps and along y over about 1.4 steps: AR(1)
// processes of coefficients 0.9 and 0.5. On the manual road, x runs along the
// frame.
TEST(RapportProgramme, DirectionsAreNamedAfterTheRoad)
{
    const int N = 120, M = 120;
    std::mt19937_64 alea(4);
    std::normal_distribution<double> normale;
    std::vector<double> z(static_cast<std::size_t>(N) * M);
    auto at = [&](int i, int j) -> double& { return z[static_cast<std::size_t>(i) * M + j]; };
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            at(i, j) = normale(alea) + (j > 0 ? 0.9 * at(i, j - 1) : 0.0);
    for (int i = 1; i < N; ++i)
        for (int j = 0; j < M; ++j)
            at(i, j) += 0.5 * at(i - 1, j);
    const Rapport a(texte_grille(N, M, 1.0, at), {"--tirages", "0", "--route", "manuelle"});
    const json& d = a.j["directions"];
    EXPECT_EQ(d["axes"][0]["cle"], "cadre");
    EXPECT_EQ(d["axes"][1]["cle"], "barre");
    const double Lx = d["L_cadre"].get<double>(), Ly = d["L_barre"].get<double>();
    EXPECT_GT(Lx, 3 * Ly);
    EXPECT_NEAR(d["anisotropie"].get<double>(), Lx / Ly, 1e-12 * Lx / Ly);
    ASSERT_EQ(a.j["correlation"]["H_cadre"].size(), 119u);
    // Pairs along x first rise more slowly than along y.
    EXPECT_LT(a.j["correlation"]["H_cadre"][0].get<double>(), a.j["correlation"]["H_barre"][0].get<double>());
}

// Fits that cannot be made or cannot resolve L say why, and the rest of the
// report is made: a 3 x 3 grid (one separation with pairs), uncorrelated
// readings at a 2 cm step.
TEST(RapportProgramme, FitsThatCannotBeMadeOrResolveLSayWhy)
{
    const Rapport petite("2x2x1.0\n0\n1\n2\n3\n4\n5\n6\n7\n9\n", {"--tirages", "0"});
    EXPECT_TRUE(petite.j["ajustements"]["exponentiel"]["echec"].is_string());
    EXPECT_TRUE(petite.j["ajustements"]["meilleur"].is_null());
    EXPECT_TRUE(petite.j["hauteurs"]["plan"]["Sq"].is_number());

    std::mt19937_64 alea(8);
    std::normal_distribution<double> normale;
    const Rapport bruit(texte_grille(25, 20, 2.0, [&](int, int) { return 5 + normale(alea); }), {"--tirages", "20"});
    // The grid bounds L and σ (1) from above only: the draws say how far.
    const std::string motif = "L est plus courte que le pas : non mesurable avec cette grille ; la grille dit "
                              "seulement que L vaut au plus ";
    for (const char* m : {"exponentiel", "gaussien"}) {
        const json& a = bruit.j["ajustements"][m];
        EXPECT_EQ(a["resolu"], false) << m;
        EXPECT_EQ(a["motif"].get<std::string>().rfind(motif, 0), 0u) << a["motif"];
        EXPECT_TRUE(a["intervalle_L"].is_null() && a["intervalle_sigma"].is_null()) << m;
        EXPECT_GT(a["borne_haute_L"].get<double>(), 0.0) << m;
        EXPECT_GT(a["borne_haute_sigma"].get<double>(), 1.0) << m;
        EXPECT_LT(a["borne_haute_sigma"].get<double>(), 1.2) << m;
        EXPECT_FALSE(a.contains("borne_basse_L")) << m;
    }
    EXPECT_LT(bruit.j["ajustements"]["exponentiel"]["borne_haute_L"].get<double>(), 2 * 2.0);
    const std::string csv = bruit.dir.read("rapport.csv");
    EXPECT_NE(csv.find(",0,\"" + motif), std::string::npos) << csv;
    EXPECT_NE(bruit.dir.read("rapport.html").find("aucun (non résolu) ; au plus "), std::string::npos);
}

// Surfaces a levelling leaves flat (no fit, no texture parameters of rounding
// noise) or not: an exact tilted plane and a nearly flat one; a grid whose bar
// positions (its columns) each carry their own offset and tilt, and nothing
// else, which the column levelling takes all away, the plane does not, and the
// row levelling leaves.
TEST(RapportProgramme, FlatAfterItsLevellingOrMeasured)
{
    const std::string colonnes =
        texte_grille(10, 13, 1.0, [](int i, int j) { return 5.0 * ((j * 7) % 5) + 0.3 * j * i + 0.01 * i; });
    for (const auto& [texte, nivellement, plate] :
         {std::tuple{plan(0.0), "plan", true}, {plan(1e-6), "plan", false}, {colonnes, "colonnes", true},
          {colonnes, "plan", false}, {colonnes, "lignes_moyenne", false}}) {
        SCOPED_TRACE(std::string(nivellement) + (plate ? " plate" : ""));
        const Rapport a(texte, {"--tirages", "10", "--nivellement", nivellement});
        EXPECT_EQ(a.j["surface_plate"], plate);
        EXPECT_EQ(a.j.contains("espace"), !plate);
        for (const char* m : {"exponentiel", "gaussien"}) {
            EXPECT_EQ(a.j["ajustements"][m]["echec"].is_string(), plate) << m;
            EXPECT_EQ(a.j["ajustements"][m].contains("L"), !plate) << m;
        }
    }
}
