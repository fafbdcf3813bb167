#include "markerpick.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <climits>

using namespace markerpick;
using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

TEST(Couleurs, TolerancesAndTheOrderXThenOThenY)
{
    const Parametres p;
    EXPECT_EQ(classerCouleur({239, 110, 30}, p), Coin::O);
    EXPECT_EQ(classerCouleur({240, 110, 30}, p), Coin::aucun);
    EXPECT_EQ(classerCouleur({180, 180, 96}, p), Coin::Y);
    Parametres proches; // X and O overlap, then O and Y
    proches.code_rgb_x = {100, 100, 100};
    proches.code_rgb_o = {105, 100, 100};
    proches.code_rgb_y = {110, 100, 100};
    EXPECT_EQ(classerCouleur({103, 100, 100}, proches), Coin::X);
    EXPECT_EQ(classerCouleur({112, 100, 100}, proches), Coin::O);
    EXPECT_TRUE(couleurProche({240, 110, 30}, p.code_rgb_o, 10.5));
    EXPECT_FALSE(couleurProche({230, 110, 30}, p.code_rgb_o, 0));
    EXPECT_FALSE(couleurProche({INT_MIN, 0, 0}, {INT_MAX, 0, 0}, 2)); // no wrap-around
}

TEST(Couleurs, IncompleteArgumentsStillReplaceTheDefaults)
{
    Parametres p;
    EXPECT_TRUE(lireArguments("1,2,3", "4,5,6", "7,8,9", "2.5", p));
    EXPECT_EQ(p.code_rgb_y, (CodeRgb{7, 8, 9}));
    EXPECT_EQ(p.delta_c, 2.5);
    Parametres q;
    EXPECT_FALSE(lireArguments("1,2", "4,5,6", "7,8,9", "2.5", q));
    EXPECT_EQ(q.code_rgb_o, (CodeRgb{1, 2, 30}));
    EXPECT_FALSE(lireArguments("1,2,3", "4,5,6", "7,8,9", "", q));
}

namespace {

void nuage(const WorkDir& dir, const std::string& x, const std::string& y, const std::string& z,
           const std::string& color)
{
    dir.write("f_x.txt", x);
    dir.write("f_y.txt", y);
    dir.write("f_z.txt", z);
    dir.write("f_color.txt", color);
}

const char* const defaut = "Il manque un code rgb pour un ou plusieur coin(s)...\n...utilisation des parametres par defaut\n";

} // namespace

TEST(Markerpick, SortsTheMarkerPointsOfTheCloud)
{
    WorkDir dir;
    nuage(dir, "1.000000\n 9.000000\n 4.000000\n ", "2.000000\n 9.000000\n 5.000000\n ",
          "3.000000\n 9.000000\n 6.000000\n ", "230 110 30\n0 0 0\n155 25 50\n");
    const auto r = run("markerpick", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(defaut) + "color.txt ouvert\nNombre de points par coins O:1 + X:1 + Y:0 = 2\n"
                                           "Nombre de points trouves : 2\n");
    EXPECT_EQ(dir.read("posX.m"), "X=[1.000000 4.000000 ];");
    EXPECT_EQ(dir.read("posZ.m"), "Z=[3.000000 6.000000 ];");
    EXPECT_EQ(dir.read("color_coins.m"), "C=[[230 110 30];[155 25 50]];");
    EXPECT_EQ(dir.read("coin_O.txt"), "1.000000 2.000000 3.000000\n");
    EXPECT_EQ(dir.read("coin_X.txt"), "4.000000 5.000000 6.000000\n");
    EXPECT_EQ(dir.read("coin_Y.txt"), "");
    EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "1 1 0\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "[T]\nexecution markerpick\n[T]\nIl manque un code rgb pour un ou plusieur coin(s)... utilisation des "
              "parametres par defaut\n[T]\nNombre de points par coins O:1 + X:1 + Y:0 = 2\n[T]\nFin du script "
              "markerpick\n\n");

    nuage(dir, "", "", "", "");
    const auto vide = run("markerpick", {"1,1,1", "2,2,2", "3,3,3", "4"}, dir);
    EXPECT_EQ(vide.status, 0);
    EXPECT_TRUE(vide.out.starts_with("coinO 1 1 1color.txt ouvert\nNombre de points par coins O:0 + X:0 + Y:0 = 0\n"));
    EXPECT_EQ(dir.read("posY.m") + dir.read("color_coins.m"), "Y=[];C=[];");
    EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "0 0 0\n");
}

TEST(Markerpick, EarlyStopsTouchNoOutput)
{
    struct Cas {
        std::vector<std::string> args;
        bool f_color, f_y;
        int status;
        const char* fin_du_log;
    };
    const Cas cas[] = {
        {{"230,110", "1,2,3", "4,5,6", "10"}, true, true, 255, "... arret du programme\n"},
        {{"230,110", "1,2,3", "4,5,6", "10"}, false, true, 1, "f_color.txt n'a pas pu etre ouvert...arret du programme\n"},
        {{}, false, true, 1, "f_color.txt n'a pas pu etre ouvert...arret du programme\n"},
        {{}, true, false, 1, "f_y.txt n'a pas pu etre ouvert...arret du programme\n"},
    };
    for (const Cas& c : cas) {
        WorkDir dir;
        nuage(dir, "1\n", "2\n", "3\n", "230 110 30\n");
        if (!c.f_color)
            std::filesystem::remove(dir.path() / "f_color.txt");
        if (!c.f_y)
            std::filesystem::remove(dir.path() / "f_y.txt");
        dir.write("coin_O.txt", "earlier");
        const auto r = run("markerpick", c.args, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(dir.read("coin_O.txt"), "earlier");
        EXPECT_FALSE(dir.exists("posX.m"));
        EXPECT_TRUE(without_timestamps(dir.read("log.txt")).ends_with(c.fin_du_log)) << dir.read("log.txt");
    }
}

TEST(Markerpick, MalformedCloudStopsTheScanWithAWarning)
{
    const std::string x = "1\n 2\n 3\n ", y = "1\n 2\n 3\n ", z = "1\n 2\n 3\n ", c = "230 110 30\n230 110 30\n";
    const std::array<std::string, 4> cas[] = {
        {x, y, z, c + "230 110\n"},
        {x, y, z, c + "#\n230 110 30\n"},
        {x, "1\n 2\n ", z, c + "230 110 30\n"},
        {x, y, "1\n 2\n x", c + "230 110 30\n"},
    };
    for (const auto& [fx, fy, fz, fc] : cas) {
        WorkDir dir;
        nuage(dir, fx, fy, fz, fc);
        const auto r = run("markerpick", {}, dir);
        EXPECT_EQ(r.status, 2) << fc;
        EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "2 0 0\n");
        EXPECT_EQ(dir.read("posX.m"), "X=[1.000000 2.000000 ];");
        EXPECT_NE(dir.read("log.txt").find("Fin du script markerpick\n\n[") , std::string::npos);
        EXPECT_NE(r.out.find("au point 3, lecture arretee\n"), std::string::npos) << r.out;
    }
}

TEST(Markerpick, UnwritableOutputFails)
{
    WorkDir dir;
    nuage(dir, "1\n", "2\n", "3\n", "230 110 30\n");
    std::filesystem::create_symlink("/dev/full", dir.path() / "coin_O.txt");
    const auto r = run("markerpick", {}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("coin_O.txt"), std::string::npos);
}
