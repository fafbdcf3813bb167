#include "framefit.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace framefit;
using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

namespace {

std::optional<Point> centre(const std::string& fichier, int n)
{
    Reader coin = Reader::over_text(fichier);
    return centreCoin(coin, n);
}

// Turns v about z by c, then about y by b, then about x by a (right-handed).
Point tourner(Point v, double a, double b, double c)
{
    v = {std::cos(c) * v[0] - std::sin(c) * v[1], std::sin(c) * v[0] + std::cos(c) * v[1], v[2]};
    v = {std::cos(b) * v[0] + std::sin(b) * v[2], v[1], -std::sin(b) * v[0] + std::cos(b) * v[2]};
    return {v[0], std::cos(a) * v[1] - std::sin(a) * v[2], std::sin(a) * v[1] + std::cos(a) * v[2]};
}

} // namespace

TEST(CentreCoin, MidpointOfTheTwoExtremesEarliestWinsTies)
{
    EXPECT_EQ(centre("0 0 0\n1 0 0\n3 0 0\n2 0 0\n", 4), (Point{1.5, 0, 0}));
    EXPECT_EQ(centre("0 0 0\n2 0 0\n1 1 0\n1 -3 0\n", 4), (Point{1, -1, 0}));
    EXPECT_EQ(centre("0 0 0\n2 0 0\n0 2 0\n1.5 -1 0\n", 4), (Point{1, 1, 0}));
    EXPECT_EQ(centre("5 6 7\n5 6 7\n5 6 7\n", 3), (Point{5, 6, 7})); // all at one position
    EXPECT_EQ(centre("0 0 0\n4 0 0\n99 99 99\n", 2), (Point{2, 0, 0})); // points past the count unread
    EXPECT_EQ(centre("0 0 0\n4 0 0\n", 3), std::nullopt);
    EXPECT_EQ(centre("0 0 0\n4 0\n", 2), std::nullopt);
}

TEST(Cadre, SizeTestRelativeToXAndRightAngleTestOnBothSides)
{
    EXPECT_TRUE(taillesProches(10, 9));
    EXPECT_TRUE(taillesProches(10, 11));
    EXPECT_FALSE(taillesProches(9, 10));
    EXPECT_FALSE(taillesProches(0, 0)); // coinciding centres
    EXPECT_TRUE(angleDroit(0.1));
    EXPECT_TRUE(angleDroit(-0.1));
    EXPECT_FALSE(angleDroit(0.11));
    EXPECT_FALSE(angleDroit(-0.9));
    const Cadre c = mesurerCadre({1, 1, 1}, {4, 5, 1}, {1, 1, 6});
    EXPECT_EQ(c.taille_x, 5);
    EXPECT_EQ(c.taille_y, 5);
    EXPECT_EQ(c.cos_phi, 0);
}

TEST(Cadre, AnglesCarryXOntoXAxisAndYOntoPositiveYAtAnyAzimuth)
{
    for (double azimut = -180; azimut < 180; azimut += 20)
        for (double tilt : {-30.0, 0.0, 10.0, 80.0}) {
            const double az = azimut * M_PI / 180, t = tilt * M_PI / 180;
            // An orthogonal frame of sides 2 and 3, turned about x by the tilt, then about z.
            const Point X{2 * std::cos(az), 2 * std::sin(az), 0};
            const Point Y{-3 * std::sin(az) * std::cos(t), 3 * std::cos(az) * std::cos(t), 3 * std::sin(t)};
            const Rotation r = anglesRotation(X, Y);
            const Point x = tourner(X, r.rotX, r.rotY, r.rotZ), y = tourner(Y, r.rotX, r.rotY, r.rotZ);
            SCOPED_TRACE(std::to_string(azimut) + " " + std::to_string(tilt));
            EXPECT_NEAR(x[0], 2, 1e-12);
            EXPECT_NEAR(std::hypot(x[1], x[2]), 0, 1e-12);
            EXPECT_NEAR(y[1], 3, 1e-12);
            EXPECT_NEAR(std::hypot(y[0], y[2]), 0, 1e-12);
        }
}

namespace {

// Ten points of a marker around (cx, cy, cz), extremes at cx - 1 and cx + 1.
std::string coin(double cx, double cy, double cz)
{
    std::string texte;
    for (int i = 0; i < 10; ++i)
        texte += std::to_string(cx - 1 + i * 2.0 / 9) + " " + std::to_string(cy) + " " + std::to_string(cz) + "\n";
    return texte;
}

void marqueurs(const WorkDir& dir, const std::string& comptes, double yx, double yy)
{
    dir.write("nbr_point_par_coin.txt", comptes);
    dir.write("coin_O.txt", coin(1, 2, 3));
    dir.write("coin_X.txt", coin(11, 2, 3));
    dir.write("coin_Y.txt", coin(1 + yx, 2 + yy, 3));
    dir.write("base.txt", "an earlier frame");
    dir.write("visu_plots.m", "earlier");
}

} // namespace

TEST(Framefit, WritesTheFrameOfAGoodSetOfMarkers)
{
    WorkDir dir;
    marqueurs(dir, "10 10 10\n", 0, 10);
    const auto r = run("framefit", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "coin O hauteur 2.000000\ncoin X hauteur 2.000000\ncoin Y hauteur 12.000000\n");
    EXPECT_EQ(dir.read("base.txt"), "1.000000 2.000000 3.000000\n-0.000000 0.000000 -0.000000\n10.000000");
    const std::string centres = "coin_Y=[ 1.000000,12.000000,3.000000];\n"
                                "coin_X=[ 11.000000,2.000000,3.000000];\n"
                                "coin_O=[ 1.000000,2.000000,3.000000];\n";
    EXPECT_EQ(dir.read("base.m"), centres);
    EXPECT_EQ(dir.read("visu_plots.m"), "run posX\n run posY\nrun posZ\nrun color_coins\nrun base\n"
                                        "scatter3(X,Y,Z,5,C/255);\nhold on\n"
                                        "scatter3(coin_O(1),coin_O(2),coin_O(3),50);\n"
                                        "scatter3(coin_Y(1),coin_Y(2),coin_Y(3),50);\n"
                                        "scatter3(coin_X(1),coin_X(2),coin_X(3),50);\nhold off\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "execution framefit\n[T]\n" + centres +
                  "[T]\ntaille vect X:10.000000   taille vect Y:10.000000\n[T]\ncos(phi):0.000000\n"
                  "[T]\nFin du script framefit\n\nOrigine : 1.000000 2.000000 3.000000\n"
                  "Rotation : -0.000000 0.000000 -0.000000\n10.000000");
}

TEST(Framefit, FailedTestsLeaveAnEmptyBase)
{
    struct Cas {
        const char* comptes;
        double yx, yy;
        int status;
        const char* fin_du_log;
    };
    const Cas cas[] = {
        {"9 10 10", 0, 10, 5, "[T]\nMoins de 10 points pour l'un des coins, v\xc3\xa9rifiez les codes RGB des coins\n"},
        {"10 10 9", 0, 10, 5, "codes RGB des coins\n"},
        {"10 10 10", 0, 11.1, 10, "[T]\nLes vecteurs sont de tailles trop eloignees\n\n"},
        {"10 10 10", 0, 0, 10, "trop eloignees\n\n"}, // Y on O
        {"10 10 10", -6, 8, 20, "[T]\nL'angle entre les vecteurs n'est pas droit (cos(phi)=-0.600000\n\n"},
        {"10 10 10", 2, 9.8, 20, "(cos(phi)=0.199960\n\n"},
        {"10 10", 0, 10, 1, "trois nombres de points... arret du programme\n"},
        {"10 10 11", 0, 10, 1, "coin_Y.txt contient moins de points qu'annonce... arret du programme\n"},
    };
    for (const Cas& c : cas) {
        WorkDir dir;
        marqueurs(dir, c.comptes, c.yx, c.yy);
        const auto r = run("framefit", {}, dir);
        EXPECT_EQ(r.status, c.status) << c.comptes << " " << c.yx << " " << c.yy;
        EXPECT_EQ(dir.read("base.txt"), "");
        EXPECT_TRUE(without_timestamps(dir.read("log.txt")).ends_with(c.fin_du_log)) << dir.read("log.txt");
        if (c.status == 5) {
            EXPECT_EQ(r.out + dir.read("base.m") + dir.read("visu_plots.m"), "earlier");
        }
    }
}

TEST(Framefit, MissingOrUnwritableFilesFail)
{
    WorkDir manquant;
    marqueurs(manquant, "10 10 10\n", 0, 10);
    std::filesystem::remove(manquant.path() / "coin_O.txt");
    EXPECT_EQ(run("framefit", {}, manquant).status, 1);
    EXPECT_EQ(manquant.read("base.txt"), "");

    WorkDir plein;
    marqueurs(plein, "10 10 10\n", 0, 10);
    std::filesystem::remove(plein.path() / "base.txt");
    std::filesystem::create_symlink("/dev/full", plein.path() / "base.txt");
    const auto r = run("framefit", {}, plein);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("base.txt"), std::string::npos);
}
