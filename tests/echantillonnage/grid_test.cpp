#include "echantillonnage.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace echantillonnage;

namespace {

const double not_a_number = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

struct Node {
    int i, j;
};

// Places one point on a fresh lattice; where it went, or {-1, -1}.
std::pair<Sort, Node> placed(int nbr_pas, double r, double x, double y, double z = 1.0)
{
    Grilles g = reserverGrilles(nbr_pas, r);
    const Sort s = placerPoint(g, x, y, z);
    for (int i = 0; i <= nbr_pas; ++i)
        for (int j = 0; j <= nbr_pas; ++j)
            if (g.n_grille[i][j] != 0)
                return {s, {i, j}};
    return {s, {-1, -1}};
}

} // namespace

TEST(Capture, NearestNodeWithinTheRadiusTakesThePoint)
{
    struct Case {
        int nbr_pas;
        double r, x, y;
        Sort sort;
        Node node;
    } cases[] = {
        // halfway between (20,20) and (21,20): the higher node, offset -0.5, kept by the non-strict test
        {200, 0.5, 10.25, 10.0, Sort::capture, {21, 20}},
        {200, 0.2, 10.25, 10.0, Sort::hors_rayon, {-1, -1}},
        {200, 0.2, 10.05, 9.95, Sort::capture, {20, 20}},
        {200, 0.0, 10.0, 10.0, Sort::capture, {20, 20}},
        {200, 0.0, 10.01, 10.0, Sort::hors_rayon, {-1, -1}},
        {200, 0.71, 10.24, 10.26, Sort::capture, {20, 21}}, // every point is captured from sqrt(0.5) on
        {50, 0.5, 100.0, 100.0, Sort::capture, {50, 50}},   // the edge belongs to the last node
        {50, 0.5, -1.0, 0.0, Sort::capture, {0, 0}},        // -pas/2 still reaches node 0
        {1, 0.1, 30.0, 80.0, Sort::hors_rayon, {-1, -1}},
        // beyond the lattice or not numbers: rejected, never accumulated
        {50, 0.7, -1.0001, 0.0, Sort::rejete, {-1, -1}},
        {50, 0.7, 0.0, 101.0, Sort::rejete, {-1, -1}},
        {50, 0.7, 1e300, 0.0, Sort::rejete, {-1, -1}},
        {50, 0.7, not_a_number, 10.0, Sort::rejete, {-1, -1}},
        {50, 0.7, 10.0, not_a_number, Sort::rejete, {-1, -1}},
        {50, 0.7, -inf, 10.0, Sort::rejete, {-1, -1}},
    };
    for (const Case& c : cases) {
        const auto [sort, node] = placed(c.nbr_pas, c.r, c.x, c.y);
        EXPECT_EQ(sort, c.sort) << c.x << " " << c.y << " r=" << c.r;
        EXPECT_EQ(node.i, c.node.i) << c.x << " " << c.y;
        EXPECT_EQ(node.j, c.node.j) << c.x << " " << c.y;
    }
    EXPECT_EQ(placed(50, 0.7, 10.0, 10.0, not_a_number).first, Sort::rejete);
}

TEST(Cloud, ReadingStopsAtTheFirstIncompletePointAndTellsWhetherDataWasLeft)
{
    struct Case {
        const char* text;
        std::int64_t points, rejetes;
        bool interrompue;
    } cases[] = {
        {"", 0, 0, false},
        {"  \n\t\n", 0, 0, false},
        {"10 10 1\n 20 20 2\n\n  ", 2, 0, false},
        {"10 10 1\n20 20", 1, 0, true},     // short last triple
        {"10 10 1\n20 abc 3\n", 1, 0, true}, // not a number
        {"10 10 1\n-", 1, 0, true},
        {"10 10 1 30 30 3x\n", 2, 0, true}, // "3" converts, "x" is left
        {"nan 10 1\n10 10 1\n500 10 1\n", 3, 2, false},
    };
    for (const Case& c : cases) {
        Grilles g = reserverGrilles(10, 0.5);
        pipeline::Reader in = pipeline::Reader::over_text(c.text);
        const BilanLecture b = lireNuage(in, g);
        EXPECT_EQ(b.points, c.points) << c.text;
        EXPECT_EQ(b.rejetes, c.rejetes) << c.text;
        EXPECT_EQ(b.interrompue, c.interrompue) << c.text;
    }
}

TEST(Output, MeansEmptyMarkersAndBothFilesInNodeOrder)
{
    Grilles g = reserverGrilles(1, 0.5);
    for (double z : {1.0, 2.0, 6.0})
        placerPoint(g, 100.0, 0.0, z); // node (1,0): mean 3
    placerPoint(g, 0.0, 99.0, -0.25);   // node (0,1)
    pipeline::Writer txt = pipeline::Writer::in_memory();
    pipeline::Writer m = pipeline::Writer::in_memory();
    EXPECT_EQ(ecrireGrilles(g, txt, m), 2);
    EXPECT_EQ(txt.memory_text(), "1x1x100.000000\n10000.000000\n-0.250000\n3.000000\n10000.000000\n");
    EXPECT_EQ(m.memory_text(), "GRILLE=zeros(2,2);\nGRILLE_X=zeros(4,1);\nGRILLE_Y=zeros(4,1);\n"
                               "GRILLE(1,1)=10000.000000;\nGRILLE_X(1)=0;\nGRILLE_Y(1)=0;\n"
                               "GRILLE(1,2)=-0.250000;\nGRILLE_X(2)=0;\nGRILLE_Y(2)=1;\n"
                               "GRILLE(2,1)=3.000000;\nGRILLE_X(3)=1;\nGRILLE_Y(3)=0;\n"
                               "GRILLE(2,2)=10000.000000;\nGRILLE_X(4)=1;\nGRILLE_Y(4)=1;\n");
    EXPECT_DOUBLE_EQ(partVide(2, 1), 50.0);
    EXPECT_DOUBLE_EQ(partVide(40401, 200), 100.0);
}

TEST(Settings, OnlyTwoArgumentsAreTakenAndEachFallsBackAlone)
{
    auto with = [](std::vector<std::string> args) { return lireParametres(args); };
    for (const auto& args : {std::vector<std::string>{}, {"50"}, {"50", "0.5", "1"}}) {
        const Parametres p = with(args);
        EXPECT_FALSE(p.personnalises);
        EXPECT_EQ(p.nbr_pas, 200);
        EXPECT_EQ(p.r, 0.2);
    }
    Parametres p = with({"50", "0.5"});
    EXPECT_TRUE(p.personnalises);
    EXPECT_EQ(p.nbr_pas, 50);
    EXPECT_EQ(p.r, 0.5);
    p = with({"abc", "12.5cm"}); // "%d" fails; "%lf" takes what it can, as sscanf does
    EXPECT_TRUE(p.personnalises);
    EXPECT_EQ(p.nbr_pas, 200);
    EXPECT_EQ(p.r, 12.5);
}

TEST(Settings, ArraysAreRefusedBelowOneStepBeyondIntNumberingOrMemory)
{
    const std::uint64_t plenty = std::uint64_t{1} << 62;
    EXPECT_FALSE(grillesAllouables(0, plenty));
    EXPECT_FALSE(grillesAllouables(-5, plenty));
    EXPECT_TRUE(grillesAllouables(1, 1000));
    EXPECT_TRUE(grillesAllouables(46339, plenty)); // 46340 x 46340 nodes still numbered by an int
    EXPECT_FALSE(grillesAllouables(46340, plenty));
    EXPECT_FALSE(grillesAllouables(INT_MAX, plenty));
    EXPECT_TRUE(grillesAllouables(200, 40401 * 12 + 1'000'000));
    EXPECT_FALSE(grillesAllouables(200, 40401 * 12));
}
