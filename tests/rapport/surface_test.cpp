// Simulated surfaces: their covariance is the model's, a seed gives the same
// surfaces, and the bootstrap does not depend on how many threads run it.
#include "tools/commun/aleatoire.hpp"
#include "tools/rapport/bootstrap.hpp"
#include "tools/surface/surface.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

using namespace surface;

TEST(RapportBootstrap, SameIntervalsWithOneOrTwoThreadsAndForASeed)
{
    rapport::Grille g{30, 25, 1.0, std::vector<double>(750, 0.0)};
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
    r.graine = 6;
    EXPECT_NE(rapport::bootstrap(g, Modele::exponentiel, mesure, r).L_haut, un.L_haut);
}

namespace {

// Covariance of heights dy rows and dx columns apart, by direct sums over the
// cells of several surfaces.
double covariance_empirique(const std::vector<std::vector<double>>& surfaces, int N, int M, int dy, int dx)
{
    double s = 0, n = 0;
    for (const auto& z : surfaces)
        for (int i = 0; i + dy < N; ++i)
            for (int j = 0; j + dx < M; ++j) {
                s += z[static_cast<std::size_t>(i) * M + j] * z[static_cast<std::size_t>(i + dy) * M + j + dx];
                n += 1;
            }
    return s / n;
}

} // namespace

TEST(RapportSurface, BothToriGiveTheModelsCovariance)
{
    // The exact embedding's torus is at least twice the grid. With short
    // correlations on a long grid, the compact torus is the grid plus the
    // covariance's reach, far smaller. On both, the surfaces' covariance is
    // the model's at every separation tried, far ones included.
    const int N = 60, M = 90;
    const double pas = 0.5;
    for (const auto& [m, L] : {std::pair{Modele::exponentiel, 1.0}, std::pair{Modele::gaussien, 1.5}}) {
        for (const bool compact : {false, true}) {
            SCOPED_TRACE(compact);
            const Plongement p =
                compact ? Plongement(N, M, pas, m, 1.0, L, 1LL << 24, 1e-4) : Plongement(N, M, pas, m, 1.0, L);
            EXPECT_EQ(p.tore_lignes() < 2 * (N - 1), compact) << nom(m);
            // Normal white noise, and the three-valued one the bootstrap uses.
            for (const bool rapide : {false, true}) {
                std::vector<std::vector<double>> surfaces;
                Buffer<Complexe> travail;
                for (int t = 0; t < 30; ++t) {
                    std::vector<double> a(N * M), b(N * M);
                    p.tirer_tore(outils::derived_seed(11, 1, static_cast<std::uint64_t>(t)), travail, rapide);
                    p.extraire(travail, 0, a);
                    p.extraire(travail, 1, b);
                    surfaces.push_back(std::move(a));
                    surfaces.push_back(std::move(b));
                }
                // Far separations have few pairs: the allowance is about four
                // standard errors of their mean (neighbouring pairs are correlated).
                // A torus that wrapped them onto near neighbours would be off by 0.5.
                for (const auto& [dy, dx] : {std::pair{0, 0}, std::pair{0, 1}, std::pair{1, 0}, std::pair{2, 3},
                                             std::pair{0, 4}, std::pair{N - 1, 0}, std::pair{0, M - 1}})
                    EXPECT_NEAR(covariance_empirique(surfaces, N, M, dy, dx),
                                covariance(m, 1.0, L, std::hypot(dy * pas, dx * pas)),
                                std::max(0.05, 8.0 / std::sqrt(60.0 * (N - dy) * (M - dx))))
                        << nom(m) << (rapide ? " three-valued" : " normal") << " at " << dy << ", " << dx;
            }
        }
    }
}

TEST(RapportSurface, FastNoiseSpreadsSumsOfSquaresAsNormalNoiseDoes)
{
    // The bootstrap reads the spread of σ̂ and L̂ off its draws: on a torus
    // little larger than the grid, a noise of the wrong fourth moment changes
    // the spread of sums of squares while keeping the covariance.
    const int N = 20, M = 20, tirages = 4000;
    const Plongement p(N, M, 1.0, Modele::exponentiel, 1.0, 1.0, 1LL << 24, 1e-4);
    ASSERT_LT(p.tore_lignes(), 2 * (N - 1));
    double variance[2];
    for (const bool rapide : {false, true}) {
        Buffer<Complexe> travail;
        std::vector<double> z(N * M), carres;
        for (int t = 0; t < tirages; ++t) {
            p.tirer_tore(outils::derived_seed(rapide ? 5 : 6, 2, static_cast<std::uint64_t>(t)), travail, rapide);
            for (int moitie = 0; moitie < 2; ++moitie) {
                p.extraire(travail, moitie, z);
                double s = 0;
                for (double h : z)
                    s += h * h;
                carres.push_back(s / (N * M));
            }
        }
        double moyenne = 0, v = 0;
        for (double c : carres)
            moyenne += c / carres.size();
        for (double c : carres)
            v += (c - moyenne) * (c - moyenne) / (carres.size() - 1);
        EXPECT_NEAR(moyenne, 1.0, 0.05) << rapide;
        variance[rapide] = v;
    }
    // 8000 sums each: the ratio's standard error is about 0.022; a uniform
    // noise gives about 0.88 here.
    EXPECT_NEAR(variance[1] / variance[0], 1.0, 0.08);
}

TEST(RapportBootstrap, QuantilesAndRootsOfIncreasingFunctions)
{
    // Between order statistics, on n - 1 intervals.
    const std::vector<double> u{1, 2, 3, 4, 5};
    EXPECT_DOUBLE_EQ(rapport::quantile(u, 0.0), 1);
    EXPECT_DOUBLE_EQ(rapport::quantile(u, 0.975), 4.9);
    EXPECT_DOUBLE_EQ(rapport::quantile(u, 1.0), 5);
    std::vector<double> v(99);
    std::iota(v.begin(), v.end(), 0.0);
    // Rank p (n + 1): 2.5 of 100, 97.5 of 100 (1-based).
    EXPECT_DOUBLE_EQ(rapport::quantile_queue(v, 0.025), 1.5);
    EXPECT_DOUBLE_EQ(rapport::quantile_queue(v, 0.975), 96.5);
    EXPECT_DOUBLE_EQ(rapport::quantile_queue(v, 0.5), 49);
    EXPECT_DOUBLE_EQ(rapport::quantile_queue(std::vector<double>{1, 2, 3}, 0.01), 1);
    EXPECT_NEAR(rapport::racine([](double x) { return x * x * x - 2; }, 0, 3), std::cbrt(2.0), 1e-9);
    EXPECT_EQ(rapport::racine([](double x) { return x + 10; }, 0, 3), 0);
    EXPECT_EQ(rapport::racine([](double x) { return x - 10; }, 0, 3), 3);
}
