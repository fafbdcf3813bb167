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
    dir.write("base.txt", base);
    dir.write("f_x.txt", x);
    dir.write("f_y.txt", y);
    dir.write("f_z.txt", z);
    dir.write("f_color.txt", color);
    dir.write("cloud.txt", "earlier");
}

const std::string identite = "0.000000 0.000000 0.000000\n0.000000 0.000000 0.000000\n100.000000";

} // namespace

TEST(Delimiter, KeepsTheVerticesStrictlyInsideTheFrame)
{
    WorkDir dir;
    nuage(dir, identite, "50.000000\n 2.000000\n 97.999999\n 50\n ", "50.000000\n 50\n 2.000001\n 98\n ",
          "7.000000\n 0\n -2.5\n 0\n ", "255 0 12\n1 2 3\n4 5 6\n7 8 9\n");
    dir.write("log.txt", "earlier\n");
    const auto r = run("delimiter", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\nrotX 0.000000, rotY 0.000000, rotZ 0.000000, echelle 100.000000\n"
                     "transX 0.000000, transY 0.000000, transZ 0.000000\n2/4");
    EXPECT_EQ(dir.read("cloud.txt"), "50.000000 50.000000 7.000000\n97.999999 2.000001 -2.500000\n");
    EXPECT_EQ(dir.read("cloud.m"), "X=[];Y=[];Z=[];\nr=[];g=[];b=[];\n"
                                   "X(1)=50.000000; Y(1)=50.000000; Z(1)=7.000000;\n"
                                   "r(1)=255.000000; g(1)=0.000000; b(1)=12.000000;\n"
                                   "X(2)=97.999999; Y(2)=2.000001; Z(2)=-2.500000;\n"
                                   "r(2)=4.000000; g(2)=5.000000; b(2)=6.000000;\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "earlier\n[T]\nexecution delimiter\n[T]\n2/4 points dans le cadre.\n");
}

TEST(Delimiter, NoCompleteFrameEmptiesTheOutputsAndFails)
{
    const std::string translation = "le vecteur translation\n", rotation = "le vecteur rotation\n", echelle = "l'echelle\n";
    for (auto [base, message] : {std::pair{"", translation}, {"1 2 3\n", rotation}, {"1 2 3\n0 0 0\n", echelle},
                                 {"1 2 3\n0 0 0\n0.000000", echelle}, {"1 2 3\n0 0 0\n-5", echelle},
                                 {"1 2 3\n0 0 0\nnan", echelle}}) {
        WorkDir dir;
        nuage(dir, base, "50\n", "50\n", "0\n", "1 2 3\n");
        const auto r = run("delimiter", {}, dir);
        EXPECT_EQ(r.status, 1) << base;
        EXPECT_EQ(r.out + dir.read("cloud.txt") + dir.read("cloud.m"), "");
        EXPECT_EQ(without_timestamps(dir.read("log.txt")),
                  "[T]\nexecution delimiter\n[T]\nimpossible de lire " + message);
        // The screen stays silent, standard error says why.
        EXPECT_EQ(r.err, "delimiter : " +
                             (*base ? "base.txt ne donne pas " + message.substr(0, message.size() - 1)
                                    : std::string("base.txt est vide (framefit le vide quand il echoue)")) +
                             " : cloud.txt et cloud.m sont laisses vides\n");
    }
    WorkDir manquant;
    nuage(manquant, identite, "50\n", "50\n", "0\n", "1 2 3\n");
    std::filesystem::remove(manquant.path() / "f_z.txt");
    const auto r = run("delimiter", {}, manquant);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "delimiter : impossible d'ouvrir f_z.txt : No such file or directory\n");
    EXPECT_EQ(manquant.read("cloud.txt"), "");
}

TEST(Delimiter, StopsAtTheFirstIncompleteVertexAndWarns)
{
    const std::string v = "50\n 50\n 50\n ", c = "1 2 3\n1 2 3\n1 2 3\n";
    const std::array<std::string, 4> cas[] = {{"50\n 50\n oops\n ", v, v, c}, {v, "50\n 50\n ", v, c}, {v, v, v, "1 2 3\n1 2 3\n1 2\n"}};
    for (const auto& [x, y, z, color] : cas) {
        WorkDir dir;
        nuage(dir, identite, x, y, z, color);
        const auto r = run("delimiter", {}, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.out.find("2/2\nAttention"), std::string::npos) << r.out;
        EXPECT_TRUE(r.err.starts_with("delimiter : attention : f_") &&
                    r.err.ends_with(" incomplet ou mal forme au point 3, lecture arretee : cloud.txt a les points "
                                    "d'avant\n"))
            << r.err;
        EXPECT_EQ(dir.read("cloud.txt"), "50.000000 50.000000 50.000000\n50.000000 50.000000 50.000000\n");
    }
}
