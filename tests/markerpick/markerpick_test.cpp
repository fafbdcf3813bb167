#include "markerpick/markerpick.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <climits>

using namespace markerpick;
using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

TEST(Couleurs, StrictToleranceAndTheOrderXThenOThenY)
{
    const Parametres p;
    EXPECT_EQ(classerCouleur({239, 110, 30}, p), Coin::O);
    EXPECT_EQ(classerCouleur({240, 110, 30}, p), Coin::aucun);
    EXPECT_EQ(classerCouleur({230, 110, 90}, p), Coin::aucun); // every channel counts, blue too
    EXPECT_FALSE(couleurProche({INT_MIN, 0, 0}, {INT_MAX, 0, 0}, 2)); // no wrap-around
    const Parametres proches{{105, 100, 100}, {100, 100, 100}, {110, 100, 100}, 10.0}; // O, X, Y
    EXPECT_EQ(classerCouleur({103, 100, 100}, proches), Coin::X);
    EXPECT_EQ(classerCouleur({112, 100, 100}, proches), Coin::O);
}

namespace {

void nuage(const WorkDir& dir, const std::string& coord, const std::string& color, const std::string& y = "")
{
    for (const char* f : {"f_x.txt", "f_y.txt", "f_z.txt"})
        dir.write(f, coord);
    if (!y.empty())
        dir.write("f_y.txt", y);
    dir.write("f_color.txt", color);
}

} // namespace

TEST(Markerpick, SortsTheMarkerPointsOfTheCloud)
{
    WorkDir dir;
    // Marker coordinates written from their digits (007.5) or from their value (4e0).
    nuage(dir, "007.5\n 9.000000\n 4e0\n ", "230 110 30\n0 0 0\n155 25 50\n");
    const auto r = run("markerpick", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Il manque un code rgb pour un ou plusieur coin(s)...\n...utilisation des parametres par defaut\n"
                     "color.txt ouvert\nNombre de points par coins O:1 + X:1 + Y:0 = 2\nNombre de points trouves : 2\n");
    EXPECT_EQ(dir.read("posY.m") + dir.read("color_coins.m"), "Y=[7.500000 4.000000 ];C=[[230 110 30];[155 25 50]];");
    EXPECT_EQ(dir.read("coin_O.txt") + dir.read("coin_X.txt") + dir.read("coin_Y.txt"),
              "7.500000 7.500000 7.500000\n4.000000 4.000000 4.000000\n");
    EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "1 1 0\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "[T]\nexecution markerpick\n[T]\nIl manque un code rgb pour un ou plusieur coin(s)... utilisation des "
              "parametres par defaut\n[T]\nNombre de points par coins O:1 + X:1 + Y:0 = 2\n[T]\nFin du script "
              "markerpick\n\n");
}

// Settings that are not the four expected, missing files and malformed clouds:
// two points of O's colour, then the tail of f_color.txt.
TEST(Markerpick, RefusalsAndStops)
{
    const std::string defauts = "Il manque un code rgb pour un ou plusieur coin(s)...\n...utilisation des parametres "
                                "par defaut\n";
    const std::string deux = "color.txt ouvert\nNombre de points par coins O:2 + X:0 + Y:0 = 2\n"
                             "Nombre de points trouves : 2\n";
    const std::string manque = "Il manque un code rgb pour un ou plusieur coin(s)\n";
    const std::string pris = "1.000000 1.000000 1.000000\n2.000000 2.000000 2.000000\n2 0 0\n";
    struct Case {
        std::vector<std::string> args;
        std::string tail, y, missing; // f_y.txt when not the coordinates, a file removed
        int status;
        std::string out, err, files; // coin_O.txt (earlier: left alone) and nbr_point_par_coin.txt
    };
    auto arret = [&](std::string tail, std::string y, const std::string& fichier) {
        const std::string raison = fichier + " incomplet ou mal forme au point 3, lecture arretee";
        return Case{{}, tail, y, "", 2, defauts + deux + "Attention : " + raison + "\n",
                    "markerpick : attention : " + raison + " : les fichiers des coins ont les points d'avant\n", pris};
    };
    const Case cases[] = {
        {{"1,1,1", "2,2", "3", "dix"}, "", "", "", 255, "coinO 1 1 1" + manque,
         "markerpick : la couleur du coin X \"2,2\" n'a pas trois valeurs r,g,b ; la couleur du coin Y \"3\" n'a "
         "pas trois valeurs r,g,b ; la tolerance \"dix\" n'est pas un nombre : arret du programme (statut 255)\n",
         "earlier"},
        // Three words where four are needed: the defaults, and standard error says so.
        {{"230", "110", "30"}, "", "", "", 0, defauts + deux,
         "markerpick : 4 arguments attendus (couleurs O, X, Y en r,g,b et tolerance), 3 recus : les couleurs et la "
         "tolerance par defaut sont utilisees\n",
         pris},
        // The points lie 10 away from O's colour: a tolerance of 10.5 takes them, 10 does not.
        {{"240,110,30", "1,1,1", "2,2,2", "10,5"}, "", "", "", 0, "coinO 240 110 30" + deux, "", pris},
        {{"240,110,30", "1,1,1", "2,2,2", "10"}, "", "", "", 0,
         "coinO 240 110 30color.txt ouvert\nNombre de points par coins O:0 + X:0 + Y:0 = 0\n"
         "Nombre de points trouves : 0\n",
         "", "0 0 0\n"},
        {{}, "", "", "f_color.txt", 1, defauts + "Le fichier n'existe pas\n",
         "markerpick : impossible d'ouvrir f_color.txt : No such file or directory\n", "earlier"},
        {{}, "", "", "f_z.txt", 1, defauts + "Le fichier f_z.txt n'a pas pu etre ouvert...arret du programme\n",
         "markerpick : impossible d'ouvrir f_z.txt : No such file or directory\n", "earlier"},
        // The coordinates of a point that is no marker are checked all the same ("." is no number).
        arret("230 110\n", "", "f_color.txt"),
        arret("#\n1 1 1\n", "", "f_color.txt"),
        arret("1 1 1\n", "1\n 2\n", "f_y.txt"),
        arret("1 1 1\n", "1\n 2\n .\n", "f_y.txt"),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        WorkDir dir;
        nuage(dir, "1\n 2\n 3\n ", "230 110 30\n230 110 30\n" + c.tail, c.y);
        dir.write("coin_O.txt", "earlier");
        if (!c.missing.empty())
            std::filesystem::remove(dir.path() / c.missing);
        const auto r = run("markerpick", c.args, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(dir.read("coin_O.txt") + program_test::slurp(dir.path() / "nbr_point_par_coin.txt"), c.files);
    }
}
