// reliefstat run as a user runs it, in a fresh directory holding grille.txt:
// its status, its screen and every file it leaves, byte for byte.
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

using program_test::run;
using program_test::WorkDir;

namespace {

const std::string moyenne = "\nLa moyenne des altitudes des points reels detectes ( definissant le plan moyen) est moy=";
const std::string rms = "\nL'ecart quadratique moyen des hauteurs est RMS=";
const std::string rappel = "Cette valeur est a comparer avec celle obtenue apres execution du script matlab HR.m ";

std::string ecran(const std::string& moy, const std::string& RMS)
{
    return moyenne + moy + " cm\n" + rms + RMS + " cm\n" + rappel;
}

// A grid of n x m cells, header and heights column after column, height h(i, j).
template <class F>
std::string grille(int n, int m, const char* pas, F h)
{
    std::string t = std::to_string(n - 1) + "x" + std::to_string(m - 1) + "x" + pas + "\n";
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i)
            t += std::to_string(h(i, j)) + "\n";
    return t;
}

} // namespace

TEST(Programme, RunCompletSurUneGrilleDeDeuxSurDeux)
{
    WorkDir dir;
    dir.write("grille.txt", "1x1x1.0\n1\n2\n3\n10000\n");
    const auto r = run("reliefstat", {"ignore", "-x"}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ecran("2.000000", "0.816497"));
    auto f = dir.files();
    EXPECT_EQ(f.size(), 10u);
    EXPECT_EQ(f["GRILLE.txt"], "1.000000\t3.000000\n2.000000\t10000.000000\n");
    EXPECT_EQ(f["GRILLE_CENTREE.txt"], "-1.000000\t1.000000\n0.000000\t10000.000000\n");
    // One entry, separation 1 is never visited on two rows: no pair.
    EXPECT_EQ(f["vecr.txt"], "0.000000\n");
    EXPECT_EQ(f["c.txt"], "0.000000\n");
    EXPECT_EQ(f["f.txt"], "0.000000\n");
    EXPECT_EQ(f["Hr.txt"], "-nan\n");
    EXPECT_NE(f["visu_grille_initiale.m"].find("GRILLE(1,2)=3.000000;\nGRILLE(2,1)=2.000000;\n"), std::string::npos);
    EXPECT_NE(f["visu_grille.m"].find("GRILLE(1,2)=1.000000;\nGRILLE(2,1)=0.000000;\n"), std::string::npos);
    EXPECT_NE(f["HR.m"].find("r=zeros(1,0);\n"), std::string::npos);
}

TEST(Programme, FichiersDeRayons)
{
    WorkDir dir;
    dir.write("grille.txt", "2x2x0.5\n0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n");
    const auto r = run("reliefstat", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ecran("4.000000", "2.581989"));
    EXPECT_EQ(dir.read("vecr.txt"), "57.000000\t0.000000\n");
    EXPECT_EQ(dir.read("c.txt"), "9.000000\t0.000000\n");
    EXPECT_EQ(dir.read("Hr.txt"), "6.333333\t-nan\n");
    EXPECT_EQ(dir.read("f.txt"), "0.000000\t0.000000\n");
    // The entry without pairs is not handed to the fit.
    EXPECT_NE(dir.read("HR.m").find("r=zeros(1,1);\n Hr=zeros(1,1);\nr(1)=0.500000;\nHr(1)=6.333333;\nr=r(1:1);\n"),
              std::string::npos);
}

TEST(Programme, RayonsRetenusSurUnPlanIncline)
{
    // H(r) grows with r: no cut by the stop rule. 30 rows stop before the last
    // entry (no pair), 60 rows at 50.
    for (const auto& [n, R] : {std::pair{30, 28}, std::pair{60, 50}}) {
        WorkDir dir;
        dir.write("grille.txt", grille(n, 25, "2.0", [](int i, int j) { return 0.5 * i + 0.25 * j; }));
        EXPECT_EQ(run("reliefstat", {}, dir).status, 0);
        const std::string HR = dir.read("HR.m");
        const std::string z = "r=zeros(1," + std::to_string(R) + ");\n";
        EXPECT_NE(HR.find(z), std::string::npos) << n;
        EXPECT_NE(HR.find("r(" + std::to_string(R) + ")=" + std::to_string(2.0 * R) + ";\n"), std::string::npos);
        EXPECT_EQ(HR.find("nan"), std::string::npos);
        EXPECT_NE(dir.read("Hr.txt").find("\t-nan\n"), std::string::npos);
    }
}

TEST(Programme, EchecsSansAucunFichierEcrit)
{
    const std::map<std::string, std::string> cas = {
        {"1x1\n1\n2\n3\n4\n", "En-tete illisible dans le fichier grille.txt : il doit donner les deux nombres de pas "
                              "et le pas, par exemple 200x200x0.500000\n"},
        {"", "En-tete illisible dans le fichier grille.txt : il doit donner les deux nombres de pas et le pas, par "
             "exemple 200x200x0.500000\n"},
        {"-1x2x1.0\n", "En-tete invalide dans le fichier grille.txt : nombre de pas negatif (-1x2)\n"},
        {"3x2x1.0\n1\n2\n3\n4\n5\n6\n",
         "Le fichier grille.txt ne contient que 6 hauteurs lisibles, son en-tete en annonce 12 (4 x 3)\n"},
        {"1x1x1.0\n1\n2\nnon\n4\n",
         "Le fichier grille.txt ne contient que 2 hauteurs lisibles, son en-tete en annonce 4 (2 x 2)\n"},
        {"99999x99999999x1.0\n1\n", "erreur resa ligneserreur alloc mat1"},
        {"2147483647x0x1.0\n1\n", "erreur resa matriceerreur alloc mat1"},
    };
    for (const auto& [texte, message] : cas) {
        WorkDir dir;
        dir.write("grille.txt", texte);
        const auto r = run("reliefstat", {}, dir);
        EXPECT_EQ(r.status, 1) << texte;
        EXPECT_EQ(r.out, message);
        EXPECT_EQ(dir.files().size(), 1u) << texte;
    }
    WorkDir vide;
    const auto r = run("reliefstat", {}, vide);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Impossible d'ouvrir le fichier grille.txt");
    EXPECT_TRUE(vide.files().empty());
}

TEST(Programme, GrilleSansPointReel)
{
    WorkDir dir;
    dir.write("grille.txt", "1x0x1.0\n10000\n10000.000000\n");
    const auto r = run("reliefstat", {}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Aucun point reel dans la grille : toutes ses hauteurs valent 10000, la moyenne et l'ecart "
                     "quadratique moyen ne peuvent pas etre calcules\n");
    const auto f = dir.files();
    EXPECT_EQ(f.size(), 2u);
    EXPECT_TRUE(f.contains("visu_grille_initiale.m"));
}

TEST(Programme, FichiersImpossiblesACreer)
{
    // A script that can't be opened is told and skipped; a result file that
    // can't be written is told and the run ends with status 1.
    const std::string hauteurs = "1x1x1.0\n1\n2\n3\n10000\n";
    WorkDir dir;
    dir.write("grille.txt", hauteurs);
    std::filesystem::create_directory(dir.path() / "HR.m");
    std::filesystem::create_directory(dir.path() / "visu_grille_initiale.m");
    auto r = run("reliefstat", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Impossible d'ouvrir le fichier visu_grille_initiale.m" + ecran("2.000000", "0.816497") +
                         "Impossible d'ouvrir le fichier HR.m");
    EXPECT_EQ(dir.files().size(), 8u);

    WorkDir resultat;
    resultat.write("grille.txt", hauteurs);
    std::filesystem::create_directory(resultat.path() / "GRILLE.txt");
    r = run("reliefstat", {}, resultat);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Impossible d'ecrire le fichier GRILLE.txt" + ecran("2.000000", "0.816497"));
    EXPECT_EQ(resultat.files().size(), 9u);
}
