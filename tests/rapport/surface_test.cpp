// Simulated surfaces: their covariance is the model's, a seed gives the same
// surfaces, and the bootstrap does not depend on how many threads run it.
#include "tools/rapport/bootstrap.hpp"
#include "tools/surface/surface.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace surface;

TEST(RapportSurface, EmpiricalCovarianceIsTheModels)
{
    // Averaged over many surfaces, at a few separations along rows, columns
    // and the diagonal, both models.
    const int N = 12, M = 17;
    const double pas = 0.5, sigma = 1.3, L = 1.5;
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        const Plongement p(N, M, pas, m, sigma, L);
        EXPECT_TRUE(p.exact()) << nom(m);
        EXPECT_GE(p.tore_lignes(), 2 * (N - 1));
        EXPECT_GE(p.tore_colonnes(), 2 * (M - 1));
        Buffer<Complexe> travail;
        std::vector<double> a(N * M), b(N * M);
        const int tirages = 1500;
        double c00 = 0, c_ligne = 0, c_colonne = 0, c_diag = 0, ab = 0;
        for (int t = 0; t < tirages; ++t) {
            p.tirer(graine_derivee(7, 0, static_cast<std::uint64_t>(t)), a, b, travail);
            for (const auto* z : {&a, &b}) {
                const auto h = [&](int i, int j) { return (*z)[i * M + j]; };
                c00 += h(5, 5) * h(5, 5);
                c_ligne += h(2, 3) * h(2, 6);     // 3 steps along a row
                c_colonne += h(1, 10) * h(4, 10); // 3 steps along a column
                c_diag += h(0, 0) * h(4, 3);      // 5 steps away
            }
            ab += a[40] * b[40];
        }
        const double n = 2.0 * tirages, s2 = sigma * sigma;
        // Standard error of a covariance estimate is below s2 sqrt(2/n) ≈ 0.045.
        EXPECT_NEAR(c00 / n, s2, 0.12) << nom(m);
        EXPECT_NEAR(c_ligne / n, covariance(m, sigma, L, 1.5), 0.12) << nom(m);
        EXPECT_NEAR(c_colonne / n, covariance(m, sigma, L, 1.5), 0.12) << nom(m);
        EXPECT_NEAR(c_diag / n, covariance(m, sigma, L, 2.5), 0.12) << nom(m);
        EXPECT_NEAR(ab / tirages, 0.0, 0.15) << "real and imaginary parts independent";
    }
}

TEST(RapportSurface, ASeedGivesTheSameSurfaces)
{
    const Plongement p(20, 30, 1.0, Modele::exponentiel, 1.0, 4.0);
    Buffer<Complexe> t1, t2;
    std::vector<double> a1(600), b1(600), a2(600), b2(600);
    p.tirer(42, a1, b1, t1);
    p.tirer(42, a2, b2, t2);
    EXPECT_EQ(a1, a2);
    EXPECT_EQ(b1, b2);
    p.tirer(43, a2, b2, t2);
    EXPECT_NE(a1, a2);
    EXPECT_NE(graine_derivee(1, 0, 1), graine_derivee(1, 1, 0));
}

TEST(RapportSurface, LongGaussianCorrelationOnASmallGridIsFlaggedOrEnlarged)
{
    // A correlation length as long as the grid: the torus grows until the
    // embedding is positive, or the surfaces are said to be approximate.
    const Plongement p(10, 10, 1.0, Modele::gaussien, 1.0, 12.0, 1 << 16);
    EXPECT_TRUE(p.exact() || p.defaut_relatif() > 1e-10);
    if (p.exact()) {
        EXPECT_GT(p.tore_lignes(), 18);
    }
}

TEST(RapportBootstrap, SameIntervalsWithOneOrTwoThreadsAndForASeed)
{
    rapport::Grille g;
    g.lignes = 30;
    g.colonnes = 25;
    g.pas = 1.0;
    g.z.assign(750, 0.0);
    g.z[17] = g.z[300] = std::nan("");
    const rapport::Ajustement mesure{1.0, 3.0, 0, 0, 0, 10};
    rapport::ReglagesBootstrap r;
    r.K = 21;
    r.graine = 5;
    r.fils = 1;
    const auto un = rapport::bootstrap(g, Modele::exponentiel, mesure, r);
    r.fils = 2;
    const auto deux = rapport::bootstrap(g, Modele::exponentiel, mesure, r);
    EXPECT_EQ(un.sigma_bas, deux.sigma_bas);
    EXPECT_EQ(un.L_haut, deux.L_haut);
    EXPECT_EQ(un.reussis + un.echecs, 21);
    EXPECT_LT(un.sigma_bas, un.sigma_haut);
    EXPECT_LT(un.L_bas, un.L_haut);
    r.graine = 6;
    EXPECT_NE(rapport::bootstrap(g, Modele::exponentiel, mesure, r).L_haut, un.L_haut);
}

TEST(RapportBootstrap, QuantilesInterpolateBetweenOrderStatistics)
{
    const std::vector<double> v{1, 2, 3, 4, 5};
    EXPECT_DOUBLE_EQ(rapport::quantile(v, 0.0), 1);
    EXPECT_DOUBLE_EQ(rapport::quantile(v, 0.5), 3);
    EXPECT_DOUBLE_EQ(rapport::quantile(v, 0.975), 4.9);
    EXPECT_DOUBLE_EQ(rapport::quantile(v, 1.0), 5);
}
