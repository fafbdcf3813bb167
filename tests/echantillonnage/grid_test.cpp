#include "echantillonnage/echantillonnage.hpp"

#include <gtest/gtest.h>

#include <limits>

using namespace echantillonnage;

TEST(Capture, NearestNodeWithinTheRadiusTakesThePoint)
{
    const double no = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        int nbr_pas;
        double r, x, y, z;
        Sort sort;
        int i, j; // node that took the point
    } cases[] = {
        // halfway between (20,20) and (21,20): the higher node, offset -0.5, kept by the non-strict test
        {200, 0.5, 10.25, 10.0, 1, Sort::capture, 21, 20},
        {200, 0.2, 10.25, 10.0, 1, Sort::hors_rayon, 0, 0},
        {200, 0.2, 10.05, 9.95, 1, Sort::capture, 20, 20},
        {200, 0.0, 10.0, 10.0, 1, Sort::capture, 20, 20},
        {200, 0.71, 10.24, 10.26, 1, Sort::capture, 20, 21}, // from sqrt(0.5) on, every point is captured
        {50, 0.5, 100.0, 100.0, 1, Sort::capture, 50, 50},   // the edge belongs to the last node
        {50, 0.5, -1.0, 0.0, 1, Sort::capture, 0, 0},        // -pas/2 still reaches node 0
        // beyond the lattice or not numbers: never accumulated
        {50, 0.7, -1.0001, 0.0, 1, Sort::rejete, 0, 0},
        {50, 0.7, 0.0, 101.0, 1, Sort::rejete, 0, 0},
        {50, 0.7, -1e300, 0.0, 1, Sort::rejete, 0, 0},
        {50, 0.7, no, 10.0, 1, Sort::rejete, 0, 0},
        {50, 0.7, 10.0, 10.0, no, Sort::rejete, 0, 0},
    };
    for (const Case& c : cases) {
        Grilles g = reserverGrilles(c.nbr_pas, c.r);
        EXPECT_EQ(placerPoint(g, c.x, c.y, c.z), c.sort) << c.x << " " << c.y << " r=" << c.r;
        EXPECT_EQ(g.n_grille[c.i][c.j], c.sort == Sort::capture ? 1 : 0) << c.x << " " << c.y;
    }
    // 12 bytes a node (a height and a count) and the rows must fit in the memory.
    EXPECT_TRUE(grillesAllouables(200, 40401 * 12 + 1'000'000));
    EXPECT_FALSE(grillesAllouables(200, 40401 * 12));
}
