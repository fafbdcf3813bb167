#include "markerpick.hpp"
#include "program_run.hpp"

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
    EXPECT_TRUE(couleurProche({240, 110, 30}, p.code_rgb_o, 10.5));
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
    nuage(dir, "1.000000\n 9.000000\n 4.000000\n ", "230 110 30\n0 0 0\n155 25 50\n");
    const auto r = run("markerpick", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Il manque un code rgb pour un ou plusieur coin(s)...\n...utilisation des parametres par defaut\n"
                     "color.txt ouvert\nNombre de points par coins O:1 + X:1 + Y:0 = 2\nNombre de points trouves : 2\n");
    EXPECT_EQ(dir.read("posY.m") + dir.read("color_coins.m"), "Y=[1.000000 4.000000 ];C=[[230 110 30];[155 25 50]];");
    EXPECT_EQ(dir.read("coin_O.txt") + dir.read("coin_X.txt") + dir.read("coin_Y.txt"),
              "1.000000 1.000000 1.000000\n4.000000 4.000000 4.000000\n");
    EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "1 1 0\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "[T]\nexecution markerpick\n[T]\nIl manque un code rgb pour un ou plusieur coin(s)... utilisation des "
              "parametres par defaut\n[T]\nNombre de points par coins O:1 + X:1 + Y:0 = 2\n[T]\nFin du script "
              "markerpick\n\n");

    nuage(dir, "", "");
    const auto vide = run("markerpick", {"1,1,1", "2,2,2", "3,3,3", "4"}, dir);
    EXPECT_EQ(vide.status, 0);
    EXPECT_TRUE(vide.out.starts_with("coinO 1 1 1color.txt ouvert\n")) << vide.out;
    EXPECT_EQ(dir.read("posX.m") + dir.read("nbr_point_par_coin.txt"), "X=[];0 0 0\n");
}

TEST(Markerpick, EarlyStopsTouchNoOutput)
{
    const std::vector<std::string> incomplets{"230,110", "1,2,3", "4,5,6", "10"};
    for (auto [args, manquant, status] : {std::tuple{incomplets, "", 255}, {incomplets, "f_color.txt", 1},
                                          {{}, "f_color.txt", 1}, {{}, "f_z.txt", 1}}) {
        WorkDir dir;
        nuage(dir, "1\n", "230 110 30\n");
        if (*manquant)
            std::filesystem::remove(dir.path() / manquant);
        dir.write("coin_O.txt", "earlier");
        EXPECT_EQ(run("markerpick", args, dir).status, status);
        EXPECT_EQ(dir.read("coin_O.txt"), "earlier");
        EXPECT_FALSE(dir.exists("posX.m"));
        const bool signale = dir.read("log.txt").find(std::string(manquant) + " n'a pas pu etre ouvert") != std::string::npos;
        EXPECT_EQ(signale, *manquant != 0);
    }
}

TEST(Markerpick, MalformedCloudStopsTheScanWithAWarning)
{
    const std::string ok = "230 110 30\n230 110 30\n", coord = "1\n 2\n 3\n ";
    for (auto [color, y] : {std::pair{ok + "230 110\n", coord}, {ok + "#\n1 1 1\n", coord}, {ok + "1 1 1\n", "1\n 2\n"}}) {
        WorkDir dir;
        nuage(dir, coord, color, y);
        const auto r = run("markerpick", {}, dir);
        EXPECT_EQ(r.status, 2) << color;
        EXPECT_EQ(dir.read("nbr_point_par_coin.txt") + dir.read("posX.m"), "2 0 0\nX=[1.000000 2.000000 ];");
        EXPECT_TRUE(r.out.ends_with("au point 3, lecture arretee\n")) << r.out;
        EXPECT_NE(dir.read("log.txt").find("Fin du script markerpick\n\n[") , std::string::npos);
    }
}
