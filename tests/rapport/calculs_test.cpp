// The report's computations on grids small enough to check by hand or by the
// plain double loop: reading, levelling, height parameters, the correlation
// functions by FFT against the direct sums, the cut rule and the fits.
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

using namespace rapport;

namespace {

const double NaN = std::nan("");

Grille lire_texte(const std::string& texte)
{
    program_test::WorkDir dir;
    dir.write("g.txt", texte);
    return lire_grille((dir.path() / "g.txt").string());
}

// A rough grid with about `vides` of its cells empty.
std::vector<double> grille_alea(int N, int M, double vides, unsigned graine)
{
    std::mt19937_64 alea(graine);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> z(static_cast<std::size_t>(N) * M);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            z[static_cast<std::size_t>(i) * M + j] =
                u(alea) < vides ? NaN : std::sin(0.3 * i) + 0.5 * std::cos(0.7 * j) + u(alea);
    return z;
}

Fonction fonction_de(std::vector<double> H)
{
    Fonction f;
    for (double h : H) {
        f.somme.push_back(std::isnan(h) ? 0.0 : h);
        f.paires.push_back(std::isnan(h) ? 0.0 : 1.0);
    }
    return f;
}

} // namespace

TEST(RapportGrille, FilledColumnByColumnWithTheToleranceRuleAndWordsAnywhere)
{
    const Grille g = lire_texte("1x2x0.5\n1\n2\n3\n10000.5\n9998.9\n10000.000000\n99\n");
    ASSERT_EQ(g.lignes, 2);
    ASSERT_EQ(g.colonnes, 3);
    EXPECT_EQ(g.pas, 0.5);
    EXPECT_EQ(g.at(0, 0), 1);
    EXPECT_EQ(g.at(1, 0), 2);
    EXPECT_EQ(g.at(0, 1), 3);
    EXPECT_TRUE(std::isnan(g.at(1, 1))); // within 1 of the marker
    EXPECT_EQ(g.at(0, 2), 9998.9);       // more than 1 away: real
    EXPECT_TRUE(std::isnan(g.at(1, 2)));
    EXPECT_EQ(g.cellules_reelles(), 4);

    // Heights may share the header's line; a sign, a bare point and an
    // underflow read as the C library reads them; extra words are counted.
    const Grille h = lire_texte("1x1x2 +1 -2\n.5   1e-400\n7 8\n\n9\n");
    EXPECT_EQ(std::tuple(h.at(0, 0), h.at(1, 0), h.at(0, 1), h.at(1, 1)), std::tuple(1.0, -2.0, 0.5, 0.0));
    EXPECT_EQ(h.hauteurs_en_trop, 3);
}

TEST(RapportNivellement, EachReferenceTakesAwayWhatItModels)
{
    const int N = 9, M = 13;
    std::vector<double> plan(N * M), quadrique(N * M);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j) {
            plan[i * M + j] = 40.0 + 0.3 * i - 0.7 * j;
            quadrique[i * M + j] = plan[i * M + j] + 0.05 * i * i - 0.02 * i * j + 0.01 * j * j;
        }
    plan[5] = quadrique[5] = plan[40] = quadrique[40] = NaN;
    const auto max_abs = [](const std::vector<double>& z) {
        double m = 0;
        for (double h : z)
            if (!std::isnan(h))
                m = std::max(m, std::fabs(h));
        return m;
    };
    EXPECT_LT(max_abs(niveler(plan, N, M, Nivellement::plan)), 1e-10);
    EXPECT_GT(max_abs(niveler(plan, N, M, Nivellement::plan_moyen)), 1.0);
    EXPECT_GT(max_abs(niveler(quadrique, N, M, Nivellement::plan)), 0.1);
    EXPECT_LT(max_abs(niveler(quadrique, N, M, Nivellement::polynome2)), 1e-10);
    const auto n = niveler(plan, N, M, Nivellement::plan);
    EXPECT_TRUE(std::isnan(n[5]) && std::isnan(n[40]));

    // Real cells all on one row can't fix a plane.
    std::vector<double> ligne(N * M, NaN);
    for (int j = 0; j < M; ++j)
        ligne[j] = j;
    EXPECT_THROW(niveler(ligne, N, M, Nivellement::plan), Erreur);
    EXPECT_THROW(niveler(std::vector<double>{1, 2, NaN, NaN, 3, NaN}, 2, 3, Nivellement::polynome2), Erreur);
}

TEST(RapportHauteurs, IsoParametersOfKnownSets)
{
    // Sq, Sa, Ssk, Sku, Sp, Sv, Sz.
    const std::pair<std::vector<double>, std::array<double, 7>> cas[] = {
        {{1, -1, NaN, 1, -1}, {1, 1, 0, 1, 1, 1, 2}},
        {{3, -1, -1, -1}, {std::sqrt(3.0), 1.5, 6.0 / std::pow(3.0, 1.5), 21.0 / 9.0, 3, 1, 4}}};
    for (const auto& [z, attendu] : cas) {
        const Hauteurs h = parametres_hauteur(z);
        const std::array<double, 7> obtenu{h.Sq, h.Sa, h.Ssk, h.Sku, h.Sp, h.Sv, h.Sz};
        for (std::size_t k = 0; k < 7; ++k)
            EXPECT_NEAR(obtenu[k], attendu[k], 1e-12) << z[0] << " " << k;
    }
}

TEST(RapportCorrelation, PooledFunctionOfReliefstatOnTheThreeByThreeGrid)
{
    // Heights 0 to 8 column by column, centred on 4: rows (0,3,6), (1,4,7), (2,5,8).
    std::vector<double> z{-4, -1, 2, -3, 0, 3, -2, 1, 4};
    for (const Correlation& c : {correlation_directe(z, 3, 3), correlation_fft(z, 3, 3)}) {
        ASSERT_EQ(c.commune.taille(), 2u);
        EXPECT_NEAR(c.commune.somme[0], 57, 1e-9);
        EXPECT_EQ(c.commune.paires[0], 9);
        EXPECT_EQ(c.commune.paires[1], 0);
        // Each direction on its own sees every pair.
        for (auto [f, e, paires, H] :
             {std::tuple{&c.lignes, 0u, 6.0, 9.0}, {&c.lignes, 1u, 3.0, 36.0}, {&c.colonnes, 0u, 6.0, 1.0}}) {
            EXPECT_EQ(f->paires[e], paires);
            EXPECT_NEAR(f->H(e), H, 1e-12);
        }
    }
}

TEST(RapportCorrelation, FftEqualsTheDirectSumsWithEmptyCells)
{
    for (auto [N, M, vides] : {std::tuple{37, 23, 0.3}, std::tuple{23, 37, 0.1}, std::tuple{30, 30, 0.0},
                               std::tuple{2, 9, 0.2}, std::tuple{50, 41, 0.9}}) {
        SCOPED_TRACE(std::to_string(N) + " x " + std::to_string(M));
        const auto z = grille_alea(N, M, vides, static_cast<unsigned>(N * 100 + M));
        const Correlation d = correlation_directe(z, N, M), f = correlation_fft(z, N, M);
        for (auto [a, b] : {std::pair{&d.commune, &f.commune}, std::pair{&d.lignes, &f.lignes},
                            std::pair{&d.colonnes, &f.colonnes}}) {
            ASSERT_EQ(a->taille(), b->taille());
            for (std::size_t e = 0; e < a->taille(); ++e) {
                EXPECT_EQ(a->paires[e], b->paires[e]) << e;
                EXPECT_NEAR(a->somme[e], b->somme[e], 1e-9 * (1 + a->somme[e])) << e;
            }
        }
        // The pooled function cut short, as the bootstrap computes it.
        for (int kmax : {1, 5, 30}) {
            const Fonction court = correlation_commune_fft(z, N, M, kmax);
            ASSERT_EQ(court.taille(), static_cast<std::size_t>(std::min(kmax, N - 1)));
            for (std::size_t e = 0; e < court.taille(); ++e) {
                EXPECT_EQ(court.paires[e], d.commune.paires[e]) << kmax << " " << e;
                EXPECT_NEAR(court.somme[e], d.commune.somme[e], 1e-9 * (1 + d.commune.somme[e])) << e;
            }
        }
    }
}

TEST(RapportPlage, CutRuleOfReliefstat)
{
    // The rule itself is common's (tested with reliefstat); here, that the
    // pooled function hands it its values and its pairs: an entry without
    // pairs stops the range before it; entries past entrees_regle never count.
    EXPECT_EQ(rayon_max_observation(fonction_de({3, 2, 1, NaN, 0.5, 0.4, 0.3, 0.2, 0.1})), 3);
    std::vector<double> croissant(200);
    for (std::size_t e = 0; e < croissant.size(); ++e)
        croissant[e] = e < static_cast<std::size_t>(entrees_regle) ? static_cast<double>(e + 1) : -static_cast<double>(e);
    EXPECT_EQ(rayon_max_observation(fonction_de(croissant)), 50);
}

TEST(RapportAjustement, BothModelsRecoveredFromExactCurves)
{
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        Points p;
        for (int k = 1; k <= 40; ++k) {
            p.r.push_back(0.5 * k);
            p.H.push_back(surface::correlation_hauteurs(m, 1.7, 4.2, 0.5 * k));
            p.poids.push_back(1000.0 - k);
        }
        const Ajustement a = ajuster(m, p);
        EXPECT_NEAR(a.sigma, 1.7, 1e-8);
        EXPECT_NEAR(a.L, 4.2, 1e-8);
        EXPECT_LT(a.residu, 1e-9);
        EXPECT_EQ(a.rayons, 40);
    }
    Points deux{{1, 2}, {1, 2}, {1, 1}};
    EXPECT_THROW(ajuster(Modele::exponentiel, deux), Erreur);
}

TEST(RapportAjustement, PointsTakeTheRangeAndSkipSeparationsWithoutPairs)
{
    Fonction f{{4, 0, 9, 16}, {2, 0, 3, 4}};
    const Points p = points_ajustement(f, Plage{3}, 0.5);
    ASSERT_EQ(p.r.size(), 2u);
    EXPECT_EQ(p.r[1], 1.5);
    EXPECT_EQ(p.H[1], 3);
    EXPECT_EQ(p.poids[1], 3);
    EXPECT_EQ(points_ajustement(f, Plage{4}, 0.5, false).poids[2], 1);
}
