// The texture parameters where the reference library computes nothing to
// compare with, on surfaces whose figures are known by hand: a plane, an
// anisotropic autocorrelation, two height distributions; the
// sums with empty cells against the plain loop; the line-by-line levelling.
#include "tools/rapport/lignes.hpp"
#include "tools/rapport/texture.hpp"
#include "tests/rapport/texture_essai.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace rapport;

namespace {
const double NaN = std::nan("");
} // namespace

TEST(RapportTexture, SumsByFftEqualThePlainLoopWithEmptyCells)
{
    for (auto [N, M, vides] : {std::tuple{23, 17, 0.3}, std::tuple{17, 23, 0.0}, std::tuple{2, 9, 0.2},
                               std::tuple{30, 30, 0.9}}) {
        SCOPED_TRACE(std::to_string(N) + " x " + std::to_string(M));
        const auto z = surface_essai(N, M, 3.0, static_cast<std::uint64_t>(N * M), vides);
        const SommesDirectes d = sommes_directes(z, N, M);
        const SommesDecalages s(z, N, M);
        for (int dy = -(N - 1); dy < N; ++dy)
            for (int dx = -(M - 1); dx < M; ++dx) {
                ASSERT_EQ(s.paires(dy, dx), d.paires[d.k(dy, dx)]) << dy << " " << dx;
                ASSERT_NEAR(s.somme(dy, dx), d.somme[d.k(dy, dx)], 1e-9 * (1 + std::fabs(d.somme[d.k(dy, dx)])));
            }
    }
}

TEST(RapportTexture, PlaneHasItsSlopeAndDevelopedArea)
{
    const int N = 12, M = 9;
    const double a = 0.3, b = -0.7, pas = 0.5;
    std::vector<double> z(N * M);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            z[i * M + j] = a * j * pas + b * i * pas;
    z[20] = z[57] = NaN;
    const Hybrides h = parametres_hybrides(z, N, M, pas);
    EXPECT_NEAR(h.Sdq_x, std::fabs(a), 1e-12);
    EXPECT_NEAR(h.Sdq_y, std::fabs(b), 1e-12);
    EXPECT_NEAR(h.Sdq, std::hypot(a, b), 1e-12);
    EXPECT_NEAR(h.Sdr, std::sqrt(1 + a * a + b * b) - 1, 1e-12);
    EXPECT_EQ(h.carres, (N - 1) * (M - 1) - 8); // each empty cell takes four squares
}

// R = exp(−√((x/a)² + (y/b)²)) falls to 0.2 at ln 5 times a along x and b
// along y: Sal = b·ln 5 across, Str = b/a, within what interpolating between
// whole lags costs (0.5 % at 4 cells). A window that ends before the slow
// direction falls leaves Str unknown, below Sal over the window's reach.
TEST(RapportTexture, AutocorrelationLengthsOfAnAnisotropicModel)
{
    for (auto [portee, a, b] : {std::tuple{60, 12.0, 4.0}, std::tuple{40, 5.0, 5.0}, std::tuple{16, 12.0, 4.0}}) {
        SCOPED_TRACE(portee);
        Autocorrelation R;
        R.portee_lignes = R.portee_colonnes = portee;
        R.pas = 0.5;
        R.valeurs.resize((2 * portee + 1) * (2 * portee + 1));
        for (int dy = -portee; dy <= portee; ++dy)
            for (int dx = -portee; dx <= portee; ++dx)
                R.valeurs[R.indice(dy, dx)] = std::exp(-std::hypot(dx / a, dy / b));
        const Longueurs l = longueurs_autocorrelation(R);
        EXPECT_NEAR(l.Sal, 0.5 * std::min(a, b) * std::log(5.0), 0.01 * l.Sal);
        if (a * std::log(5.0) < portee) {
            EXPECT_NEAR(l.Str, std::min(a, b) / std::max(a, b), 0.01);
        } else {
            EXPECT_TRUE(std::isnan(l.Str));
            EXPECT_NEAR(l.Str_majorant, std::min(a, b) * std::log(5.0) / portee, 0.02);
        }
        if (a != b) {
            EXPECT_NEAR(l.angle_Sal, 90, 2);
        }
    }
}

// The uniform distribution on [−1, 1] (n = 1000) has a straight material
// ratio curve: the secant is the curve itself, Sk = 2, no peak nor dale. Two
// levels, 60 % at +1 and 40 % at −1 (n = 500): a flat core at +1, the dales
// below it a triangle of height 4 over the last 40 %.
TEST(RapportTexture, MaterialRatioOfKnownDistributions)
{
    struct Cas {
        int n;
        double (*hauteur)(int i, int n);
        Fonctionnels attendu;
        double Smc_60;
    };
    const Cas cas[] = {
        {1000, [](int i, int n) { return 1 - 2 * (i + 0.5) / n; },
         {0.5, 0.801, 2, 0, 0, 0, 1, 0.0099, 0.6392 - 0.0099, 0.8109 - 0.0402, 0.0402}, -0.199},
        {500, [](int i, int n) { return i < 0.6 * n ? 1.0 : -1.0; }, {0.6, 1, 0, 0, 4, 0.6, 0.6, 0, 1.2, 0.8, 0}, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.n);
        // In a grid, shuffled, with empty cells in between.
        std::vector<double> z;
        for (int i = 0; i < c.n; ++i) {
            z.push_back(c.hauteur((i * 7) % c.n, c.n));
            if (i % 3 == 0)
                z.push_back(NaN);
        }
        const CourbePortance courbe(z);
        const Fonctionnels f = parametres_fonctionnels(courbe), e = c.attendu;
        for (auto [nom, valeur, attendue] :
             {std::tuple{"Smr", f.Smr, e.Smr}, {"Smc", f.Smc, e.Smc}, {"Sk", f.Sk, e.Sk}, {"Spk", f.Spk, e.Spk},
              {"Svk", f.Svk, e.Svk}, {"Smr1", f.Smr1, e.Smr1}, {"Smr2", f.Smr2, e.Smr2}, {"Vmp", f.Vmp, e.Vmp},
              {"Vmc", f.Vmc, e.Vmc}, {"Vvc", f.Vvc, e.Vvc}, {"Vvv", f.Vvv, e.Vvv}})
            EXPECT_NEAR(valeur, attendue, 1e-12) << nom;
        EXPECT_NEAR(courbe.hauteur(0.6), c.Smc_60, 1e-15);
        EXPECT_NEAR(courbe.hauteur(0), c.n == 1000 ? 0.999 : 1, 1e-15);
        EXPECT_EQ(courbe.taux(courbe.hauteur(0.6)), 0.6);
    }
}

// Each row carries its own offset and slope over an alternating pattern of
// ±0.1, whose least-squares line over 7 cells is flat at −0.1/7.
TEST(RapportTexture, LineLevellingTakesEachLineOwnReference)
{
    const int N = 5, M = 7;
    std::vector<double> z(N * M);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            z[i * M + j] = 10 * i + (i - 2) * 0.5 * j + (j % 2 ? 0.1 : -0.1);
    z[3] = NaN;
    for (int j = 1; j < M; ++j)
        z[4 * M + j] = NaN; // a row of one real cell
    const auto droite = niveler_par_ligne(z, N, M, SensLignes::lignes, ReferenceLigne::droite);
    const auto moyenne = niveler_par_ligne(z, N, M, SensLignes::lignes, ReferenceLigne::moyenne);
    for (int j = 0; j < M; ++j) {
        EXPECT_NEAR(droite[2 * M + j], (j % 2 ? 0.1 : -0.1) + 0.1 / 7, 1e-12);
        EXPECT_NEAR(moyenne[3 * M + j], droite[3 * M + j] + 0.5 * (j - 3), 1e-12);
    }
    EXPECT_TRUE(std::isnan(droite[3]) && std::isnan(droite[4 * M + 1]));
    EXPECT_EQ(droite[4 * M], 0.0);
    // Along the columns: the rows of the transposed grid.
    const auto colonnes = niveler_par_ligne(z, N, M, SensLignes::colonnes, ReferenceLigne::droite);
    const auto lignes_t = niveler_par_ligne(transposee(z, N, M), M, N, SensLignes::lignes, ReferenceLigne::droite);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            EXPECT_EQ(std::isnan(colonnes[i * M + j]) ? 0.0 : colonnes[i * M + j],
                      std::isnan(lignes_t[j * N + i]) ? 0.0 : lignes_t[j * N + i]);
}

// On a Gaussian surface of exponential covariance (L cells), Sal comes near
// L·ln 5; the bootstrap's short list is the full computation's (its
// autocorrelation from a smaller torus: equal to rounding); a full grid's
// periodogram is the spectrum of the sums.
TEST(RapportTexture, GeneratedSurfaceAndTheDrawParameters)
{
    const int N = 160, M = 128;
    const double pas = 0.5, L = 4;
    const auto z = surface_essai(N, M, L, 21, 0.1);
    const Texture t = texture(z, N, M, pas);
    EXPECT_NEAR(t.espace.Sal, pas * L * std::log(5.0), 0.25 * pas * L * std::log(5.0));
    const ParametresTirage p = parametres_tirage(z, N, M, pas);
    EXPECT_NEAR(p.Sal, t.espace.Sal, 1e-12);
    EXPECT_NEAR(p.Str, t.espace.Str, 1e-12);
    EXPECT_EQ(p.Sdq, t.hybrides.Sdq);
    EXPECT_EQ(p.Sdr, t.hybrides.Sdr);
    ASSERT_EQ(t.courbe_portance.size(), 101u);
    EXPECT_EQ(t.courbe_portance[10], t.fonctionnels.Smc);

    const auto plein = surface_essai(N, M, L, 22);
    const Spectre a = periodogramme(plein, N, M, pas), b = spectre(SommesDecalages(plein, N, M), pas);
    const double plus_grande = *std::max_element(a.densite.begin(), a.densite.end());
    for (std::size_t k = 0; k < a.densite.size(); ++k)
        ASSERT_NEAR(a.densite[k], b.densite[k], 1e-9 * plus_grande) << k;
    EXPECT_NEAR(a.Std, b.Std, 1e-9);
}
