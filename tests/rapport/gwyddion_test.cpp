// The surface-texture parameters against the Gwyddion library
// (libgwyddion20-dev), computed by the library's own functions on the same
// generated grids. Where the definitions coincide, the figures agree to about
// 1e-9; where they differ by definition, the test converts first and the
// comment says how. With empty cells, the test shows what the masks change:
// the report's figures equal direct sums over the real cells, the library's
// figures on the zero-filled grid do not.
#include "espace.hpp"
#include "fonctionnels.hpp"
#include "hybrides.hpp"
#include "lignes.hpp"
#include "spectre.hpp"
#include "texture_essai.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

// Last: the library's headers define gettext() as a macro, which the C
// library's own declaration of it, reached through the standard headers,
// would not survive.
#include <libprocess/gwyprocess.h>
#include <libprocess/stats.h>

using namespace rapport;

namespace {

constexpr double pi = std::numbers::pi;

struct Liberer {
    void operator()(void* objet) const { g_object_unref(objet); }
};
using Champ = std::unique_ptr<GwyDataField, Liberer>;
using Ligne = std::unique_ptr<GwyDataLine, Liberer>;

// A data field of the grid: xres = M columns, yres = N rows, the same
// row-major order; an empty cell holds `vide`.
Champ champ(const std::vector<double>& z, int N, int M, double pas, double vide = 0.0)
{
    static const bool types = (gwy_process_type_init(), true);
    (void)types;
    Champ f(gwy_data_field_new(M, N, M * pas, N * pas, FALSE));
    double* d = gwy_data_field_get_data(f.get());
    for (std::size_t k = 0; k < z.size(); ++k)
        d[k] = std::isnan(z[k]) ? vide : z[k];
    gwy_data_field_invalidate(f.get());
    return f;
}

// 1 on the real cells, 0 on the empty ones.
Champ masque(const std::vector<double>& z, int N, int M, double pas)
{
    std::vector<double> m(z.size());
    for (std::size_t k = 0; k < z.size(); ++k)
        m[k] = std::isnan(z[k]) ? 0.0 : 1.0;
    return champ(m, N, M, pas);
}

Champ vide_champ() { return Champ(gwy_data_field_new(1, 1, 1.0, 1.0, TRUE)); }

double at(const Champ& f, int i, int j)
{
    return gwy_data_field_get_data(f.get())[static_cast<std::size_t>(i) * gwy_data_field_get_xres(f.get()) + j];
}

std::string nom(int N, int M) { return std::to_string(N) + " x " + std::to_string(M); }

} // namespace

// The library's 2-D autocorrelation is the mean product over the pairs of a
// lag, not normalised (Sq² at the origin): divided by its value at the
// origin, it is the report's R. Its target has (2·xrange − 1) x
// (2·yrange − 1) entries, lag 0 at the centre, rows along y.
TEST(RapportGwyddion, AutocorrelationIsTheLibrarysOverSq2)
{
    for (auto [N, M] : {std::pair{37, 23}, std::pair{23, 37}, std::pair{32, 32}}) {
        SCOPED_TRACE(nom(N, M));
        const auto z = surface_essai(N, M, 4.0, static_cast<std::uint64_t>(N * M));
        const Champ f = champ(z, N, M, 0.5), cible = vide_champ();
        gwy_data_field_area_2dacf(f.get(), cible.get(), 0, 0, M, N, M, N);
        ASSERT_EQ(gwy_data_field_get_xres(cible.get()), 2 * M - 1);
        const double origine = at(cible, N - 1, M - 1);
        const Autocorrelation R = autocorrelation(SommesDecalages(z, N, M), 0.5, N - 1, M - 1);
        double ecart = 0;
        for (int dy = -(N - 1); dy < N; ++dy)
            for (int dx = -(M - 1); dx < M; ++dx) {
                const double lib = at(cible, dy + N - 1, dx + M - 1) / origine;
                ecart = std::max(ecart, std::fabs(R(dy, dx) - lib) / std::max(1.0, std::fabs(lib)));
            }
        EXPECT_LT(ecart, 1e-9);
    }
}

// The library's 2-D density (no window, no levelling) is the same
// periodogram in angular frequency: ω = 2π f, so its density per (rad/L)² is
// ours over 4π². It centres the zero frequency at (N/2, M/2). Its profile
// density along the rows takes a least-squares line off each row first: on
// a grid levelled that way by niveler_par_ligne, it is ours over 2π, without
// the zero and Nyquist frequencies.
TEST(RapportGwyddion, SpectrumIsTheLibrarysPerCycleInsteadOfPerRadian)
{
    for (auto [N, M] : {std::pair{37, 24}, std::pair{24, 37}, std::pair{32, 32}}) {
        SCOPED_TRACE(nom(N, M));
        const double pas = 0.5;
        const auto z = surface_essai(N, M, 3.0, static_cast<std::uint64_t>(N + M));
        const Spectre s = spectre(SommesDecalages(z, N, M), pas);
        const Champ f = champ(z, N, M, pas), cible = vide_champ();
        gwy_data_field_2dpsdf(f.get(), cible.get(), GWY_WINDOWING_NONE, 0);
        const double plus_grande = *std::max_element(s.densite.begin(), s.densite.end());
        double ecart = 0;
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j) {
                const int ky = (i - N / 2 + N) % N, kx = (j - M / 2 + M) % M;
                ecart = std::max(ecart, std::fabs(s.a(ky, kx) / (4 * pi * pi) - at(cible, i, j)));
            }
        EXPECT_LT(ecart, 1e-9 * plus_grande / (4 * pi * pi));

        for (SensLignes sens : {SensLignes::lignes, SensLignes::colonnes}) {
            const bool lignes = sens == SensLignes::lignes;
            SCOPED_TRACE(lignes ? "lignes" : "colonnes");
            const auto zl = niveler_par_ligne(z, N, M, sens, ReferenceLigne::droite);
            const Spectre sl = spectre(SommesDecalages(zl, N, M), pas);
            const std::vector<double>& nous = lignes ? sl.le_long_des_lignes : sl.le_long_des_colonnes;
            // Along the columns, the library's rows of the transposed grid: its
            // own column transforms rescale each column by the RMS of the
            // wrong cells (one column over), even without a window.
            std::vector<double> t(zl.size());
            for (int i = 0; i < N; ++i)
                for (int j = 0; j < M; ++j)
                    t[static_cast<std::size_t>(j) * N + i] = zl[static_cast<std::size_t>(i) * M + j];
            const Ligne profil(gwy_data_line_new(1, 1.0, TRUE));
            gwy_data_field_psdf((lignes ? champ(zl, N, M, pas) : champ(t, M, N, pas)).get(), profil.get(),
                                GWY_ORIENTATION_HORIZONTAL, GWY_INTERPOLATION_LINEAR, GWY_WINDOWING_NONE, -1);
            const int n = gwy_data_line_get_res(profil.get());
            ASSERT_EQ(n, (lignes ? M : N) / 2 - 1);
            for (int k = 0; k < n; ++k)
                EXPECT_NEAR(nous[static_cast<std::size_t>(k + 1)] / (2 * pi), gwy_data_line_get_val(profil.get(), k),
                            1e-9 * nous[static_cast<std::size_t>(k + 1)])
                    << k;
        }
    }
}

// The library's angular spectrum walks rays from the centre of its 2-D
// density, the angle counted towards −y (its rows grow downwards): the report's
// Std is its peak angle α as −α mod 180°, within one of its sectors.
TEST(RapportGwyddion, TextureDirectionAtTheLibrarysAngularPeak)
{
    const int N = 128, M = 128;
    for (auto [p, q] : {std::pair{9, 5}, std::pair{-4, 11}, std::pair{12, 0}}) {
        SCOPED_TRACE(std::to_string(p) + ", " + std::to_string(q));
        // Grooves of wave vector (q cycles down the columns, p along the rows)
        // over a rough surface.
        auto z = surface_essai(N, M, 2.0, 5);
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j)
                z[static_cast<std::size_t>(i) * M + j] += 2 * std::cos(2 * pi * (p * j / double(M) + q * i / double(N)));
        const Spectre s = spectre(SommesDecalages(z, N, M), 1.0);
        const auto ecart_angle = [](double a, double b) {
            const double e = std::fabs(std::fmod(a - b + 360, 180.0));
            return std::min(e, 180 - e);
        };
        EXPECT_LT(ecart_angle(s.Std, std::atan2(q, p) * 180 / pi), 0.5);

        const Champ f = champ(z, N, M, 1.0), psd = vide_champ();
        gwy_data_field_2dpsdf(f.get(), psd.get(), GWY_WINDOWING_NONE, 0);
        const Ligne a(gwy_data_field_psdf_to_angular_spectrum(psd.get(), -1));
        const int n = gwy_data_line_get_res(a.get());
        const double* v = gwy_data_line_get_data(a.get());
        const int pic = static_cast<int>(std::max_element(v, v + n) - v);
        const double alpha = 360.0 * pic / n, converti = -alpha;
        EXPECT_LE(ecart_angle(converti, s.Std), 360.0 / n) << "library " << alpha << "°, " << n << " sectors";
    }
}

// The library's Sdq pools the squared forward differences of both directions
// over all their pairs, √(2 (Σx + Σy) / (nx + ny)) / pas; the report averages
// each direction over its own pairs, Sdq² = Sdq_x² + Sdq_y². Converted back
// through the pair counts, they agree, with empty cells too (the library's
// mask takes the pairs whose two cells are real, as ours does).
TEST(RapportGwyddion, SdqIsTheLibrarysOnceThePairsArePooled)
{
    for (auto [N, M, vides] : {std::tuple{37, 23, 0.0}, std::tuple{23, 37, 0.0}, std::tuple{30, 30, 0.0},
                               std::tuple{37, 23, 0.25}}) {
        SCOPED_TRACE(nom(N, M) + " vides " + std::to_string(vides));
        const double pas = 0.4;
        const auto z = surface_essai(N, M, 3.0, 7, vides);
        const Hybrides h = parametres_hybrides(z, N, M, pas);
        const double nx = static_cast<double>(h.paires_x), ny = static_cast<double>(h.paires_y);
        const double converti = std::sqrt(2 * (nx * h.Sdq_x * h.Sdq_x + ny * h.Sdq_y * h.Sdq_y) / (nx + ny));
        const Champ f = champ(z, N, M, pas), m = masque(z, N, M, pas);
        const double lib = vides > 0 ? gwy_data_field_area_get_surface_slope_mask(f.get(), m.get(), GWY_MASK_INCLUDE,
                                                                                   0, 0, M, N)
                                     : gwy_data_field_get_surface_slope(f.get());
        EXPECT_NEAR(converti, lib, 1e-9 * lib);
        if (N == M && vides == 0) { // as many pairs each way: the same figure
            EXPECT_NEAR(h.Sdq, lib, 1e-9 * lib);
        }
    }
}

// Both triangulate each square of four cells into four triangles meeting at
// its centre. The library also counts a half-cell border around the grid (its
// cells are pixels, its projected area N·M·pas²), extended flat outwards: on
// a grid whose outer ring is level, that border is flat, and the library's
// area is ours over the (N − 1)(M − 1) squares plus the flat border.
TEST(RapportGwyddion, SdrIsTheLibrarysInsideItsFlatBorder)
{
    for (auto [N, M] : {std::pair{37, 23}, std::pair{30, 30}}) {
        SCOPED_TRACE(nom(N, M));
        const double pas = 0.25;
        auto z = surface_essai(N, M, 3.0, 11);
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j)
                if (i == 0 || j == 0 || i == N - 1 || j == M - 1)
                    z[static_cast<std::size_t>(i) * M + j] = 0.0;
        const Hybrides h = parametres_hybrides(z, N, M, pas);
        ASSERT_EQ(h.carres, static_cast<long long>(N - 1) * (M - 1));
        const double bord = (static_cast<double>(N) * M - static_cast<double>(N - 1) * (M - 1)) * pas * pas;
        const double nous = (1 + h.Sdr) * static_cast<double>(h.carres) * pas * pas + bord;
        const double lib = gwy_data_field_get_surface_area(champ(z, N, M, pas).get());
        EXPECT_NEAR(nous, lib, 1e-12 * lib);
        EXPECT_GT(h.Sdr, 0.1);
    }
}

// The library's cumulative height distribution on K bins is the share of
// cells below each bin's upper edge, e_k = min + (k + 1)(max − min)/K: one
// minus it is Smr(e_k), exactly (both count cells). With a mask, both count
// the real cells only.
TEST(RapportGwyddion, MaterialRatioIsOneMinusTheLibrarysCumulativeHeights)
{
    for (double vides : {0.0, 0.3}) {
        SCOPED_TRACE(vides);
        const int N = 41, M = 29, K = 50;
        const auto z = surface_essai(N, M, 2.0, 13, vides);
        const CourbePortance courbe(z);
        const Champ f = champ(z, N, M, 1.0), m = masque(z, N, M, 1.0);
        const Ligne cdh(gwy_data_line_new(1, 1.0, TRUE));
        gwy_data_field_area_cdh(f.get(), vides > 0 ? m.get() : nullptr, cdh.get(), 0, 0, M, N, K);
        ASSERT_EQ(gwy_data_line_get_res(cdh.get()), K);
        const std::vector<double>& h = courbe.hauteurs();
        const double haut = h.front(), bas = h.back();
        for (int k = 0; k + 1 < K; ++k) {
            const double bord = bas + (k + 1) * (haut - bas) / K;
            EXPECT_NEAR(courbe.taux(bord), 1 - gwy_data_line_get_val(cdh.get(), k), 1e-12) << k;
        }
    }
}

// With empty cells: the report's autocorrelation and spectrum equal the sums
// over the pairs of real cells, done here by the plain loop. The library's
// unmasked functions only see a grid whose empty cells are filled with the
// mean height 0: every product with an empty cell counts as a zero, so the
// autocorrelation off the origin shrinks by the share of missing pairs, Sal
// shortens, and the spectrum gains a white floor. The library's masked
// autocorrelation uses the same exact pair counts as the report: it agrees
// wherever it has more pairs than its threshold, about ln(N·M).
TEST(RapportGwyddion, MasksKeepWhatZeroFillingDilutes)
{
    const int N = 48, M = 40;
    const double pas = 1.0;
    const auto z = surface_essai(N, M, 4.0, 17, 0.3);
    const SommesDirectes d = sommes_directes(z, N, M);
    const double variance = d.somme[d.k(0, 0)] / d.paires[d.k(0, 0)];
    const SommesDecalages s(z, N, M);
    const Autocorrelation R = autocorrelation(s, pas, N - 1, M - 1);

    const Champ f = champ(z, N, M, pas), m = masque(z, N, M, pas);
    const Champ rempli = vide_champ(), avec_masque = vide_champ(), poids = vide_champ();
    gwy_data_field_area_2dacf(f.get(), rempli.get(), 0, 0, M, N, M, N);
    gwy_data_field_area_2dacf_mask(f.get(), avec_masque.get(), m.get(), GWY_MASK_INCLUDE, 0, 0, M, N, M, N,
                                   poids.get());
    const double origine_rempli = at(rempli, N - 1, M - 1), origine_masque = at(avec_masque, N - 1, M - 1);
    const double seuil_masque = 1.000001 * std::round(std::log(static_cast<double>(N) * M));
    double ecart_nous = 0, ecart_masque = 0, dilution = 0;
    for (int dy = -(N - 1); dy < N; ++dy)
        for (int dx = -(M - 1); dx < M; ++dx) {
            const double paires = d.paires[d.k(dy, dx)];
            if (paires == 0) {
                EXPECT_TRUE(std::isnan(R(dy, dx)));
                continue;
            }
            const double direct = d.somme[d.k(dy, dx)] / paires / variance;
            ecart_nous = std::max(ecart_nous, std::fabs(R(dy, dx) - direct) / std::max(1.0, std::fabs(direct)));
            if (at(poids, dy + N - 1, dx + M - 1) > seuil_masque)
                ecart_masque = std::max(ecart_masque, std::fabs(at(avec_masque, dy + N - 1, dx + M - 1) /
                                                                    origine_masque -
                                                                direct));
            if (std::abs(dy) + std::abs(dx) == 1)
                dilution = std::max(dilution, 1 - at(rempli, dy + N - 1, dx + M - 1) / origine_rempli / direct);
        }
    EXPECT_LT(ecart_nous, 1e-9);
    EXPECT_LT(ecart_masque, 1e-9);
    // About the share of empty cells, 30 %, at the nearest lags.
    EXPECT_GT(dilution, 0.2) << "zero-filled autocorrelation at one cell";

    Autocorrelation Rrempli = autocorrelation(s, pas);
    for (int dy = -Rrempli.portee_lignes; dy <= Rrempli.portee_lignes; ++dy)
        for (int dx = -Rrempli.portee_colonnes; dx <= Rrempli.portee_colonnes; ++dx)
            Rrempli.valeurs[Rrempli.indice(dy, dx)] = at(rempli, dy + N - 1, dx + M - 1) / origine_rempli;
    const double Sal = longueurs_autocorrelation(autocorrelation(s, pas)).Sal;
    const double Sal_rempli = longueurs_autocorrelation(Rrempli).Sal;
    EXPECT_LT(Sal_rempli, 0.92 * Sal) << "Sal " << Sal << ", zero-filled " << Sal_rempli;

    // The spectrum: the transform of the direct sums, weighted and folded as
    // the header of spectre.hpp says, term by term.
    const Spectre sp = spectre(SommesDecalages(z, N, M), pas);
    const double plus_grande = *std::max_element(sp.densite.begin(), sp.densite.end());
    double ecart_spectre = 0;
    for (int ky = 0; ky < N; ky += 5)
        for (int kx = 0; kx < M; kx += 3) {
            double somme = 0;
            for (int dy = -(N - 1); dy < N; ++dy)
                for (int dx = -(M - 1); dx < M; ++dx) {
                    const double paires = d.paires[d.k(dy, dx)];
                    if (paires > 0)
                        somme += d.somme[d.k(dy, dx)] / paires * (N - std::abs(dy)) * (M - std::abs(dx)) /
                                 (double(N) * M) * std::cos(2 * pi * (double(ky) * dy / N + double(kx) * dx / M));
                }
            ecart_spectre = std::max(ecart_spectre, std::fabs(sp.a(ky, kx) - pas * pas * somme));
        }
    EXPECT_LT(ecart_spectre, 1e-9 * plus_grande);

    // The zero-filled periodogram over the outer rings, against ours.
    const Champ psd = vide_champ();
    gwy_data_field_2dpsdf(f.get(), psd.get(), GWY_WINDOWING_NONE, 0);
    double nous = 0, lib = 0;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j) {
            const int ky = i - N / 2, kx = j - M / 2;
            if (std::hypot(double(ky) / N, double(kx) / M) > 0.4) {
                nous += sp.a((ky + N) % N, (kx + M) % M);
                lib += 4 * pi * pi * at(psd, i, j);
            }
        }
    EXPECT_GT(lib, 1.5 * nous) << "high frequencies: zero-filled " << lib << ", masked " << nous;
}
