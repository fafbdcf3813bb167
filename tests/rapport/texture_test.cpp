// The texture parameters where the reference library computes nothing to
// compare with (gwyddion_test.cpp holds the others), on surfaces whose
// figures are known by hand: an anisotropic autocorrelation, two height
// distributions, the direction of grooves; the line-by-line levelling.
#include "tools/rapport/lignes.hpp"
#include "tools/rapport/texture.hpp"
#include "tests/rapport/texture_essai.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace rapport;

namespace {
const double NaN = std::nan("");
constexpr double pi = std::numbers::pi;
} // namespace

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
    };
    const Cas cas[] = {
        {1000, [](int i, int n) { return 1 - 2 * (i + 0.5) / n; },
         {0.5, 0.801, 2, 0, 0, 0, 1, 0.0099, 0.6392 - 0.0099, 0.8109 - 0.0402, 0.0402}},
        {500, [](int i, int n) { return i < 0.6 * n ? 1.0 : -1.0; }, {0.6, 1, 0, 0, 4, 0.6, 0.6, 0, 1.2, 0.8, 0}},
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
}

// Grooves of wave vector (p cycles along the rows, q down the columns) over a
// rough surface: Std is their direction, atan2(q, p) mod 180°.
TEST(RapportTexture, DirectionOfGrooves)
{
    const int N = 128, M = 128;
    for (auto [p, q] : {std::pair{9, 5}, std::pair{-4, 11}, std::pair{12, 0}}) {
        SCOPED_TRACE(p);
        auto z = surface_essai(N, M, 2.0, 5);
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j)
                z[static_cast<std::size_t>(i) * M + j] += 2 * std::cos(2 * pi * (p * j / double(M) + q * i / double(N)));
        const double Std = spectre(SommesDecalages(z, N, M), 1.0).Std;
        const double e = std::fabs(std::fmod(Std - std::atan2(q, p) * 180 / pi + 360, 180.0));
        EXPECT_LT(std::min(e, 180 - e), 0.5);
    }
}

// On a Gaussian surface of exponential covariance (L cells), Sal comes near
// L·ln 5; the bootstrap's short list is the full computation's (its
// autocorrelation from a smaller torus: equal to rounding).
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
}
