#include "delimiter.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace delimiter;
using program_test::run;
using program_test::without_timestamps;
using program_test::WorkDir;

TEST(Transformation, TurnsAboutZFromXTowardsYThenScales)
{
    const Point turned = versRepere({1, 0, 0}, {0, 0, 0}, matriceRotation(0, 0, std::acos(-1.0) / 2), 100);
    EXPECT_NEAR(turned[0], 0, 1e-12);
    EXPECT_NEAR(turned[1], 1, 1e-12);
    EXPECT_EQ(versRepere({11, 22, 2}, {1, 2, 1}, matriceRotation(0, 0, 0), 50), (Point{20, 40, 2}));
    // Turning about z, then y, then x: the last turn about x moves y into z.
    const Point y = versRepere({0, 1, 0}, {0, 0, 0}, matriceRotation(std::acos(-1.0) / 2, 0, 0), 100);
    EXPECT_NEAR(y[2], 1, 1e-12);
}

TEST(Transformation, FrameIsStrictlyBetween2And98AndScaleMustBePositive)
{
    EXPECT_FALSE(dansLeCadre({2, 50, 0}));
    EXPECT_FALSE(dansLeCadre({50, 98, 0}));
    EXPECT_TRUE(dansLeCadre({2.000001, 97.999999, -1e9}));
    EXPECT_FALSE(dansLeCadre({NAN, 50, 0}));
    EXPECT_TRUE(echelleValide(1e-6));
    for (double e : {0.0, -1.0, double(INFINITY), double(NAN)})
        EXPECT_FALSE(echelleValide(e)) << e;
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

} // namespace

TEST(Delimiter, WritesTheVerticesInsideTheFrame)
{
    WorkDir dir;
    dir.write("base.txt", "0.000000 0.000000 0.000000\n0.000000 0.000000 0.000000\n100.000000");
    nuage(dir, "50.000000\n 1.000000\n 97.000000\n ", "50.000000\n 50.000000\n 3.000000\n ",
          "7.000000\n 0.000000\n -2.500000\n ", "255 0 12\n1 2 3\n4 5 6\n");
    dir.write("log.txt", "earlier\n");
    const auto r = run("delimiter", {}, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\nrotX 0.000000, rotY 0.000000, rotZ 0.000000, echelle 100.000000\n"
                     "transX 0.000000, transY 0.000000, transZ 0.000000\n2/3");
    EXPECT_EQ(dir.read("cloud.txt"), "50.000000 50.000000 7.000000\n97.000000 3.000000 -2.500000\n");
    EXPECT_EQ(dir.read("cloud.m"), "X=[];Y=[];Z=[];\nr=[];g=[];b=[];\n"
                                   "X(1)=50.000000; Y(1)=50.000000; Z(1)=7.000000;\n"
                                   "r(1)=255.000000; g(1)=0.000000; b(1)=12.000000;\n"
                                   "X(2)=97.000000; Y(2)=3.000000; Z(2)=-2.500000;\n"
                                   "r(2)=4.000000; g(2)=5.000000; b(2)=6.000000;\n");
    EXPECT_EQ(without_timestamps(dir.read("log.txt")),
              "earlier\n[T]\nexecution delimiter\n[T]\n2/3 points dans le cadre.\n");
}

TEST(Delimiter, IncompleteFrameEmptiesTheOutputsAndFails)
{
    const std::pair<const char*, const char*> cas[] = {
        {"", "impossible de lire le vecteur translation\n"},
        {"1 2 3\n", "impossible de lire le vecteur rotation\n"},
        {"1 2 3\n0 0 0\n", "impossible de lire l'echelle\n"},
        {"1 2 3\n0 0 0\n0.000000", "impossible de lire l'echelle\n"},
        {"1 2 3\n0 0 0\n-5", "impossible de lire l'echelle\n"},
        {"1 2 3\n0 0 0\nnan", "impossible de lire l'echelle\n"},
    };
    for (auto [base, message] : cas) {
        WorkDir dir;
        dir.write("base.txt", base);
        nuage(dir, "50\n", "50\n", "0\n", "1 2 3\n");
        dir.write("cloud.txt", "earlier");
        dir.write("cloud.m", "earlier");
        const auto r = run("delimiter", {}, dir);
        EXPECT_EQ(r.status, 1) << base;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(dir.read("cloud.txt") + dir.read("cloud.m"), "");
        EXPECT_EQ(without_timestamps(dir.read("log.txt")), std::string("[T]\nexecution delimiter\n[T]\n") + message);
    }
}

TEST(Delimiter, MissingInputFails)
{
    WorkDir dir;
    dir.write("base.txt", "0 0 0\n0 0 0\n100");
    dir.write("f_x.txt", "50\n");
    dir.write("f_y.txt", "50\n");
    dir.write("f_z.txt", "0\n");
    dir.write("cloud.txt", "earlier");
    const auto r = run("delimiter", {}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("f_color.txt"), std::string::npos);
    EXPECT_EQ(dir.read("cloud.txt"), "");
}

TEST(Delimiter, StopsAtTheFirstIncompleteVertexAndWarns)
{
    const std::string x = "50\n 50\n 50\n ", y = "50\n 50\n 50\n ", z = "1\n 2\n 3\n ", c = "1 2 3\n1 2 3\n1 2 3\n";
    const std::array<std::string, 4> cas[] = {
        {"50\n 50\n oops\n ", y, z, c}, {x, "50\n 50\n ", z, c}, {x, y, "1\n 2\n ", c}, {x, y, z, "1 2 3\n1 2 3\n1 2\n"}};
    for (const auto& [fx, fy, fz, fc] : cas) {
        WorkDir dir;
        dir.write("base.txt", "0 0 0\n0 0 0\n100");
        nuage(dir, fx, fy, fz, fc);
        const auto r = run("delimiter", {}, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.out.find("2/2\nAttention"), std::string::npos) << r.out;
        EXPECT_EQ(dir.read("cloud.txt"), "50.000000 50.000000 1.000000\n50.000000 50.000000 2.000000\n");
    }
    WorkDir vide; // no vertex at all is a complete run
    vide.write("base.txt", "0 0 0\n0 0 0\n100");
    nuage(vide, "", "", "", "");
    const auto r = run("delimiter", {}, vide);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("\n0/0"));
}
