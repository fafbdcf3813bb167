// The report's computations on grids small enough to check by hand or by the
// plain double loop: reading, levelling, height parameters, the correlation
// functions by FFT and the bootstrap's short sums against the direct sums, the
// cut rule and the fits.
#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/bootstrap.hpp"
#include "tools/rapport/correlation.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tests/rapport/texture_essai.hpp"
#include "tests/support/program_run.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace rapport;

namespace {

const double NaN = std::nan("");

Grille lire_texte(const std::string& texte)
{
    program_test::WorkDir dir;
    dir.write("g.txt", texte);
    return lire_grille((dir.path() / "g.txt").string());
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
    const auto n = niveler(plan, N, M, Nivellement::plan);
    EXPECT_LT(max_abs(n), 1e-10);
    EXPECT_TRUE(std::isnan(n[5]) && std::isnan(n[40]));
    EXPECT_GT(max_abs(niveler(plan, N, M, Nivellement::plan_moyen)), 1.0);
    EXPECT_GT(max_abs(niveler(quadrique, N, M, Nivellement::plan)), 0.1);
    EXPECT_LT(max_abs(niveler(quadrique, N, M, Nivellement::polynome2)), 1e-10);

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

TEST(RapportCorrelation, FftAndShortSumsEqualTheDirectSumsWithEmptyCells)
{
    const auto pareilles = [](const Fonction& f, const Fonction& ref, std::size_t taille) {
        ASSERT_EQ(f.taille(), taille);
        for (std::size_t e = 0; e < taille; ++e) {
            EXPECT_EQ(f.paires[e], ref.paires[e]) << e;
            EXPECT_NEAR(f.somme[e], ref.somme[e], 1e-9 * (1 + std::fabs(ref.somme[e]))) << e;
        }
    };
    for (auto [N, M, vides] : {std::tuple{37, 23, 0.3}, std::tuple{23, 37, 0.1}, std::tuple{30, 30, 0.0},
                               std::tuple{2, 9, 0.2}, std::tuple{50, 41, 0.9}}) {
        SCOPED_TRACE(std::to_string(N) + " x " + std::to_string(M));
        const auto z = surface_essai(N, M, 3.0, static_cast<std::uint64_t>(N * 100 + M), vides);
        const Correlation d = correlation_directe(z, N, M), f = correlation_fft(z, N, M);
        for (auto [a, b] : {std::pair{&d.commune, &f.commune}, std::pair{&d.lignes, &f.lignes},
                            std::pair{&d.colonnes, &f.colonnes}, std::pair{&d.toutes, &f.toutes}})
            pareilles(*b, *a, a->taille());
        // Cut short, as the fit range rule and the bootstrap compute them.
        for (int k : {1, 5, 30}) {
            SCOPED_TRACE(k);
            const auto n = [k](int entrees) { return static_cast<std::size_t>(std::min(k, entrees)); };
            pareilles(correlation_commune_fft(z, N, M, k), d.commune, n(N - 1));
            const Correlation c = correlation_courte(z, N, M, k);
            pareilles(c.lignes, d.lignes, n(M - 1));
            pareilles(c.colonnes, d.colonnes, n(N - 1));
            pareilles(c.toutes, d.toutes, n(std::max(N, M) - 1));
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

TEST(RapportAjustement, PointsTakeTheRangeAndSkipSeparationsWithoutPairs)
{
    Fonction f{{4, 0, 9, 16}, {2, 0, 3, 4}};
    const Points p = points_ajustement(f, Plage{3}, 0.5);
    ASSERT_EQ(p.r.size(), 2u);
    EXPECT_EQ(p.r[1], 1.5);
    EXPECT_EQ(p.H[1], 3);
    EXPECT_EQ(p.poids[1], 3);
    EXPECT_EQ(points_ajustement(f, Plage{4}, 0.5, false).poids[2], 1);
    Points deux{{1, 2}, {1, 2}, {1, 1}};
    EXPECT_THROW(ajuster(Modele::exponentiel, deux), Erreur);
}
