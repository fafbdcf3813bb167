// The measurement of σ and L: the pooled function and the orientation of the
// grid, the fit range rule, and the fits that can't resolve L.
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tests/rapport/texture_essai.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace rapport;

namespace {

void meme_ajustement(const AjustementMesure& a, const AjustementMesure& b, double tolerance)
{
    ASSERT_EQ(a.a.has_value(), b.a.has_value());
    EXPECT_EQ(a.resolu, b.resolu);
    EXPECT_EQ(a.rayons, b.rayons);
    if (a.a) {
        EXPECT_NEAR(a.a->sigma / b.a->sigma, 1.0, tolerance);
        EXPECT_NEAR(a.a->L / b.a->L, 1.0, tolerance);
    }
}

} // namespace

TEST(RapportMesure, PooledFunctionIsEveryPairAndTheTransposeGivesTheSameFigures)
{
    const int N = 37, M = 53;
    const std::vector<double> z = niveler(surface_essai(N, M, 5.0, 7, 0.1), N, M, Nivellement::plan);
    const std::vector<double> t = transposee(z, N, M);
    const Correlation d = correlation_directe(z, N, M);
    // Every pair in both directions: the direct sums over both.
    for (const Fonction& f : {correlation_fft(z, N, M).toutes, correlation_directions_fft(z, N, M, 60).toutes}) {
        ASSERT_EQ(f.taille(), static_cast<std::size_t>(M - 1));
        for (std::size_t e = 0; e < f.taille(); ++e) {
            const double paires = d.lignes.paires[e] + (e < d.colonnes.taille() ? d.colonnes.paires[e] : 0.0);
            const double somme = d.lignes.somme[e] + (e < d.colonnes.taille() ? d.colonnes.somme[e] : 0.0);
            EXPECT_EQ(f.paires[e], paires) << e;
            EXPECT_NEAR(f.somme[e], somme, 1e-9 * (1 + somme)) << e;
        }
    }
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        SCOPED_TRACE(surface::nom(m));
        const ReglagesMesure r;
        const Estimation a = mesurer(z, N, M, 0.5, r, m), b = mesurer(t, M, N, 0.5, r, m);
        ASSERT_TRUE(a.commune.a && a.commune.resolu) << a.commune.motif;
        meme_ajustement(a.commune, b.commune, 1e-9);
        meme_ajustement(a.direction[0], b.direction[1], 1e-9);
        meme_ajustement(a.direction[1], b.direction[0], 1e-9);
        // Computing only the separations the range needs changes nothing.
        const Estimation c = mesurer(correlation_fft(z, N, M), N, M, 0.5, r, m);
        meme_ajustement(a.commune, c.commune, 1e-9);
        meme_ajustement(a.direction[0], c.direction[0], 1e-9);
    }
}

TEST(RapportMesure, RangeRuleSettlesOnSomeLengthsOfTheFittedL)
{
    // A fine grid: the rule goes to c L.
    const int N = 161;
    const double L = 12.0;
    const std::vector<double> z = niveler(surface_essai(N, N, L, 11), N, N, Nivellement::plan);
    const Correlation c = correlation_fft(z, N, N);
    // A fixed point: the range is 3 fitted L (exponential) or 2.5 (Gaussian),
    // or the pair limit.
    for (auto [m, longueurs] : {std::pair{Modele::exponentiel, 3.0}, std::pair{Modele::gaussien, 2.5}}) {
        const Estimation e = mesurer(c, N, N, 1.0, ReglagesMesure{}, m);
        ASSERT_TRUE(e.commune.a && e.commune.resolu) << e.commune.motif;
        const double Lm = e.commune.a->L;
        if (m == Modele::exponentiel) {
            EXPECT_NEAR(Lm / L, 1.0, 0.3);
        }
        const int voulu = std::min(static_cast<int>(std::ceil(longueurs * Lm)), rayons_paires(c.toutes));
        EXPECT_EQ(e.commune.a->rayons, voulu) << surface::nom(m);
    }
    // The pair limit: a quarter of the pairs of separation 1 remain.
    const int R = rayons_paires(c.toutes);
    EXPECT_GE(c.toutes.paires[static_cast<std::size_t>(R - 1)], 0.25 * c.toutes.paires[0]);
    EXPECT_LT(c.toutes.paires[static_cast<std::size_t>(R)], 0.25 * c.toutes.paires[0]);
    // --rayons is kept as it is.
    ReglagesMesure r;
    r.regle = RegleMesure::rayons;
    r.rayons = 17;
    EXPECT_EQ(mesurer(c, N, N, 1.0, r, Modele::gaussien).commune.a->rayons, 17);
}

TEST(RapportMesure, AFunctionThatKeepsRisingIsBeyondTheReachOfTheGrid)
{
    // A function that keeps rising: the range cannot reach the plateau.
    Correlation c;
    for (int k = 1; k <= 60; ++k) {
        c.toutes.somme.push_back(1000.0 * k * (1 + 0.01 * (k % 3)));
        c.toutes.paires.push_back(1000.0);
    }
    c.lignes = c.colonnes = c.toutes;
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        const Estimation e = mesurer(c, 61, 61, 1.0, ReglagesMesure{}, m);
        ASSERT_TRUE(e.commune.a);
        SCOPED_TRACE(surface::nom(m));
        EXPECT_FALSE(e.commune.resolu);
        EXPECT_NE(e.commune.motif.find("L dépasse la portée de la grille"), std::string::npos) << e.commune.motif;
    }
}

TEST(RapportMesure, FewPointsReachTheOptimumOrSayTheyCannot)
{
    for (Modele m : {Modele::exponentiel, Modele::gaussien})
        for (int n : {3, 4, 5}) {
            SCOPED_TRACE(std::string(surface::nom(m)) + " " + std::to_string(n));
            Points p;
            for (int k = 1; k <= n; ++k) {
                p.r.push_back(k);
                p.H.push_back(surface::correlation_hauteurs(m, 0.8, 1.9, k) * (1 + 0.01 * (k % 2)));
                p.poids.push_back(100.0 * (n + 1 - k));
            }
            // The optimum: no nearby (σ, L) lowers the weighted sum of squares.
            const Ajustement a = ajuster(m, p, Depart{5.0, 50.0});
            ASSERT_EQ(a.borne, 0);
            auto somme = [&](double s, double L) {
                double t = 0;
                for (std::size_t i = 0; i < p.r.size(); ++i)
                    t += p.poids[i] * std::pow(surface::correlation_hauteurs(m, s, L, p.r[i]) - p.H[i], 2);
                return t;
            };
            const double ici = somme(a.sigma, a.L);
            for (double ds : {-1e-4, 0.0, 1e-4})
                for (double dL : {-1e-4, 0.0, 1e-4})
                    EXPECT_GE(somme(a.sigma * (1 + ds), a.L * (1 + dL)), ici * (1 - 1e-12));
            EXPECT_NEAR(a.L, 1.9, 0.2);
            // A flat function: no rise within the points, the short bound.
            Points plat = p;
            for (double& h : plat.H)
                h = 1.0;
            EXPECT_EQ(ajuster(m, plat).borne, -1);
        }
}

// A capture that averages the points of a disc takes a constant off H at every
// separation: with the offset fitted, σ and L come back; without it, L is
// lengthened.
TEST(RapportMesure, OffsetAtTheOriginFittedWhenAsked)
{
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        SCOPED_TRACE(surface::nom(m));
        Points p;
        for (int k = 1; k <= 30; ++k) {
            p.r.push_back(0.5 * k);
            p.H.push_back(surface::correlation_hauteurs(m, 1.3, 4.0, 0.5 * k) - 0.1);
            p.poids.push_back(1000.0 - 20.0 * k);
        }
        const Ajustement libre = ajuster(m, p, std::nullopt, true);
        EXPECT_NEAR(libre.sigma, 1.3, 1e-6);
        EXPECT_NEAR(libre.L, 4.0, 1e-5);
        EXPECT_NEAR(libre.pepite, -0.1, 1e-6);
        EXPECT_LT(libre.erreur_L, 1e-4);
        const Ajustement nulle = ajuster(m, p);
        EXPECT_EQ(nulle.pepite, 0.0);
        EXPECT_GT(nulle.L, 4.04);
        EXPECT_TRUE(nulle.erreur_L > 0 && nulle.erreur_L < 1) << nulle.erreur_L;
    }
}
