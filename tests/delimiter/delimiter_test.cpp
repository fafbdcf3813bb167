#include "delimiter/delimiter.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

using namespace delimiter;
using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

namespace {

void nuage(const WorkDir& dir, const std::string& base, const std::string& x, const std::string& y,
           const std::string& z, const std::string& color)
{
    for (const auto& [name, text] : {std::pair{"base.txt", base}, {"f_x.txt", x}, {"f_y.txt", y}, {"f_z.txt", z},
                                     {"f_color.txt", color}, {"cloud.txt", "earlier"}})
        dir.write(name, text);
}

const std::string identite = "0.000000 0.000000 0.000000\n0.000000 0.000000 0.000000\n100.000000";
const std::string ecran_identite = "3\nrotX 0.000000, rotY 0.000000, rotZ 0.000000, echelle 100.000000\n"
                                   "transX 0.000000, transY 0.000000, transZ 0.000000\n";

} // namespace

TEST(Delimiter, KeepsTheVerticesStrictlyInsideTheFrame)
{
    WorkDir dir;
    nuage(dir, identite, "50.000000\n 2.000000\n 97.999999\n 50\n ", "50.000000\n 50\n 2.000001\n 98\n ",
          "7.000000\n 0\n -2.5\n 0\n ", "255 0 12\n1 2 3\n4 5 6\n7 8 9\n");
    dir.write("log.txt", "earlier\n");
    const auto r = run("delimiter", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ecran_identite + "2/4");
    EXPECT_EQ(dir.read("cloud.txt"), "50.000000 50.000000 7.000000\n97.999999 2.000001 -2.500000\n");
    EXPECT_EQ(dir.read("cloud.m"), "X=[];Y=[];Z=[];\nr=[];g=[];b=[];\n"
                                   "X(1)=50.000000; Y(1)=50.000000; Z(1)=7.000000;\n"
                                   "r(1)=255.000000; g(1)=0.000000; b(1)=12.000000;\n"
                                   "X(2)=97.999999; Y(2)=2.000001; Z(2)=-2.500000;\n"
                                   "r(2)=4.000000; g(2)=5.000000; b(2)=6.000000;\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "earlier\n[T]\nexecution delimiter\n[T]\n2/4 points dans le cadre.\n");
}

// A frame that base.txt does not give in full empties the outputs; a cloud
// file missing or broken (which file is named is pinned in tests/common).
TEST(Delimiter, RefusalsAndStops)
{
    const std::string translation = "le vecteur translation", rotation = "le vecteur rotation", echelle = "l'echelle";
    struct Case {
        std::string base, x; // f_x.txt: none when empty
        int status;
        std::string out, err, log_end, cloud;
    };
    auto sans_cadre = [](const std::string& base, const std::string& quoi) {
        const std::string raison =
            base.empty() ? "base.txt est vide (framefit le vide quand il echoue)" : "base.txt ne donne pas " + quoi;
        return Case{base, "50\n 50\n ", 1, "", raison + " : cloud.txt et cloud.m sont laisses vides",
                    "[T]\nimpossible de lire " + quoi + "\n", ""};
    };
    const std::string ouvrir = "impossible d'ouvrir le fichier f_x.txt\n";
    const std::string arret = "Attention : f_x.txt incomplet ou mal forme au point 3, lecture arretee\n";
    const Case cases[] = {
        sans_cadre("", translation), sans_cadre("1 2 3\n", rotation), sans_cadre("1 2 3\n0 0 0\n", echelle),
        sans_cadre("1 2 3\n0 0 0\n0.000000", echelle), sans_cadre("1 2 3\n0 0 0\n-5", echelle),
        sans_cadre("1 2 3\n0 0 0\nnan", echelle),
        {identite, "", 1, ouvrir, "impossible d'ouvrir f_x.txt : No such file or directory", "[T]\n" + ouvrir, ""},
        {identite, "50\n 50\n oops\n ", 2, ecran_identite + "2/2\n" + arret,
         "attention : f_x.txt incomplet ou mal forme au point 3, lecture arretee : cloud.txt a les points d'avant",
         "[T]\n" + arret, "50.000000 50.000000 50.000000\n50.000000 50.000000 50.000000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        WorkDir dir;
        nuage(dir, c.base, c.x, "50\n 50\n 50\n ", "50\n 50\n 50\n ", "1 2 3\n1 2 3\n1 2 3\n");
        if (c.x.empty())
            std::filesystem::remove(dir.path() / "f_x.txt");
        const auto r = run("delimiter", {}, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_TRUE(without_timestamps(dir.read("log.txt")).ends_with(c.log_end)) << dir.read("log.txt");
        EXPECT_EQ(r.err, "delimiter : " + c.err + "\n");
        EXPECT_EQ(dir.read("cloud.txt") + (c.status == 1 ? dir.read("cloud.m") : ""), c.cloud);
    }
}
