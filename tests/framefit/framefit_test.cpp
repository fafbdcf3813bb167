// framefit's pieces and the program on markers the tests write. (The angles of
// the frame at any turn and tilt are checked end to end in tests/road.)
#include "framefit/framefit.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

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

} // namespace

// A marker's centre is the midpoint of its extremes, the earliest winning ties;
// the sides are within a tenth of O-X and the angle within cosine 0.1 either
// side (the figures on either side of the bounds are seen in the program tests).
TEST(Cadre, MarkerCentreAndBounds)
{
    EXPECT_EQ(centre("0 0 0\n1 0 0\n3 0 0\n2 0 0\n", 4), (Point{1.5, 0, 0}));
    EXPECT_EQ(centre("0 0 0\n2 0 0\n1 1 0\n1 -3 0\n", 4), (Point{1, -1, 0}));
    EXPECT_EQ(centre("0 0 0\n2 0 0\n0 2 0\n1.5 -1 0\n", 4), (Point{1, 1, 0}));
    EXPECT_EQ(centre("5 6 7\n5 6 7\n5 6 7\n", 3), (Point{5, 6, 7}));    // all at one position
    EXPECT_EQ(centre("0 0 0\n4 0 0\n", 3), std::nullopt);
    EXPECT_TRUE(taillesProches(10, 9) && taillesProches(10, 11) && angleDroit(0.1) && angleDroit(-0.1));
    EXPECT_FALSE(taillesProches(9, 10) || taillesProches(0, 0)); // coinciding centres
    EXPECT_EQ(raisonTailles(0, 5), "les centres des coins O et X sont confondus (O-X 0.000000, O-Y 5.000000) : le "
                                   "cadre n'a pas de taille");
}

namespace {

// Markers of ten points on a line of length 2 around O (1, 2, 3), X (11, 2, 3)
// and Y = O + (yx, yy, 0).
void marqueurs(const WorkDir& dir, const std::string& comptes, double yx, double yy)
{
    auto coin = [](double cx, double cy) {
        std::string texte;
        for (int i = 0; i < 10; ++i)
            texte += std::to_string(cx - 1 + i * 2.0 / 9) + " " + std::to_string(cy) + " 3\n";
        return texte;
    };
    for (const auto& [name, text] : {std::pair{"nbr_point_par_coin.txt", comptes}, {"coin_O.txt", coin(1, 2)},
                                     {"coin_X.txt", coin(11, 2)}, {"coin_Y.txt", coin(1 + yx, 2 + yy)},
                                     {"base.txt", "an earlier frame"}, {"visu_plots.m", "earlier"}})
        dir.write(name, text);
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
    const std::string centres = "coin_Y=[ 1.000000,12.000000,3.000000];\ncoin_X=[ 11.000000,2.000000,3.000000];\n"
                                "coin_O=[ 1.000000,2.000000,3.000000];\n";
    EXPECT_EQ(dir.read("base.m"), centres);
    EXPECT_EQ(dir.read("visu_plots.m"), "run posX\n run posY\nrun posZ\nrun color_coins\nrun base\n"
                                        "scatter3(X,Y,Z,5,C/255);\nhold on\nscatter3(coin_O(1),coin_O(2),coin_O(3),50);\n"
                                        "scatter3(coin_Y(1),coin_Y(2),coin_Y(3),50);\n"
                                        "scatter3(coin_X(1),coin_X(2),coin_X(3),50);\nhold off\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "execution framefit\n[T]\n" + centres +
                  "[T]\ntaille vect X:10.000000   taille vect Y:10.000000\n[T]\ncos(phi):0.000000\n"
                  "[T]\nFin du script framefit\n\nOrigine : 1.000000 2.000000 3.000000\n"
                  "Rotation : -0.000000 0.000000 -0.000000\n10.000000");
}

TEST(Framefit, FailuresLeaveAnEmptyBase)
{
    struct Cas {
        const char* comptes;
        double yx, yy;
        int status;
        const char* fin_du_log;
        std::string erreur; // standard error: one line with the figures for 5, 10 and 20
    } const cas[] = {
        {"9 10 10", 0, 10, 5, "[T]\nMoins de 10 points pour l'un des coins, v\xc3\xa9rifiez les codes RGB des coins\n",
         "framefit : un coin a moins de 10 points : O 9, X 10, Y 10 (10 au moins par coin ; verifiez les couleurs "
         "donnees a markerpick)\n"},
        {"10 10 10", 0, 11.1, 10, "[T]\nLes vecteurs sont de tailles trop eloignees\n\n",
         "framefit : les cotes du cadre sont de longueurs trop differentes : O-X 10.000000, O-Y 11.100000, ecart "
         "relatif 11.000000 % de O-X (10 % au plus)\n"},
        {"10 10 10", 0, 0, 10, "trop eloignees\n\n", // Y on O
         "framefit : les cotes du cadre sont de longueurs trop differentes : O-X 10.000000, O-Y 0.000000, ecart "
         "relatif 100.000000 % de O-X (10 % au plus)\n"},
        {"10 10 10", -6, 8, 20, "[T]\nL'angle entre les vecteurs n'est pas droit (cos(phi)=-0.600000\n\n",
         "framefit : l'angle entre les cotes O-X et O-Y vaut 126.869898 degres, hors de l'intervalle admis "
         "84.260830 a 95.739170 degres (cos(phi)=-0.600000)\n"},
        {"10 10", 0, 10, 1, "trois nombres de points... arret du programme\n",
         "framefit : nbr_point_par_coin.txt ne donne pas trois nombres de points\n"},
        {"10 10 11", 0, 10, 1, "coin_Y.txt ne contient pas les 11 points annonces... arret du programme\n",
         "framefit : coin_Y.txt ne contient pas les 11 points annonces dans nbr_point_par_coin.txt\n"},
        {nullptr, 0, 10, 1, "Le fichier coin_O.txt n'a pas pu etre ouvert... arret du programme\n",
         "framefit : impossible d'ouvrir coin_O.txt : No such file or directory\n"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.erreur);
        WorkDir dir;
        marqueurs(dir, c.comptes ? c.comptes : "10 10 10", c.yx, c.yy);
        if (!c.comptes)
            std::filesystem::remove(dir.path() / "coin_O.txt");
        const auto r = run("framefit", {}, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(dir.read("base.txt"), "");
        EXPECT_TRUE(without_timestamps(dir.read("log.txt")).ends_with(c.fin_du_log)) << dir.read("log.txt");
        EXPECT_EQ(r.out.empty() && dir.read("visu_plots.m") == "earlier", c.status == 5);
        EXPECT_EQ(r.err, c.erreur);
    }
    WorkDir plein; // a frame that can't be written is not a success
    marqueurs(plein, "10 10 10\n", 0, 10);
    std::filesystem::remove(plein.path() / "base.txt");
    std::filesystem::create_symlink("/dev/full", plein.path() / "base.txt");
    const auto r = run("framefit", {}, plein);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "framefit : impossible d'ecrire base.txt : No space left on device (base.txt est laisse vide)\n");
}
