// The surface-texture parameters against the Gwyddion library
// (libgwyddion20-dev), computed by the library's own functions on the same
// generated grids. Where the definitions coincide, the figures agree to about
// 1e-9; where they differ by definition, the test converts first and the
// comment says how. With empty cells, the masked functions agree too.
#include "tools/rapport/espace.hpp"
#include "tools/rapport/fonctionnels.hpp"
#include "tools/rapport/hybrides.hpp"
#include "tools/rapport/lignes.hpp"
#include "tools/rapport/puissance.hpp"
#include "tests/rapport/texture_essai.hpp"

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

// A data field of the grid (xres = M columns, yres = N rows, the same
// row-major order), an empty cell at 0; or, with `masque`, 1 on the real
// cells and 0 on the empty ones.
Champ champ(const std::vector<double>& z, int N, int M, double pas, bool masque = false)
{
    static const bool types = (gwy_process_type_init(), true);
    (void)types;
    Champ f(gwy_data_field_new(M, N, M * pas, N * pas, FALSE));
    double* d = gwy_data_field_get_data(f.get());
    for (std::size_t k = 0; k < z.size(); ++k)
        d[k] = masque ? !std::isnan(z[k]) : std::isnan(z[k]) ? 0.0 : z[k];
    gwy_data_field_invalidate(f.get());
    return f;
}

Champ cible() { return Champ(gwy_data_field_new(1, 1, 1.0, 1.0, TRUE)); }
Ligne ligne() { return Ligne(gwy_data_line_new(1, 1.0, TRUE)); }

double at(const Champ& f, int i, int j)
{
    return gwy_data_field_get_data(f.get())[static_cast<std::size_t>(i) * gwy_data_field_get_xres(f.get()) + j];
}

const std::pair<int, int> tailles[] = {{37, 24}, {24, 37}, {32, 32}};

} // namespace

// The library's 2-D density (no window, no levelling) is the same
// periodogram (ours on a full grid) per (radian/L)²: ours over 4π², zero frequency at (N/2, M/2).
// Its profile density takes a least-squares line off each line first: on a
// grid levelled so, it is ours over 2π, without the zero and the highest
// frequencies. Along the columns it rescales each column by the RMS of the
// next one (even without a window): the test takes its rows of the
// transposed grid instead.
TEST(RapportGwyddion, SpectrumIsTheLibrarysPerCycleInsteadOfPerRadian)
{
    for (auto [N, M] : tailles) {
        SCOPED_TRACE(N);
        const double pas = 0.5;
        const auto z = surface_essai(N, M, 3.0, static_cast<std::uint64_t>(N + M));
        const Spectre s = periodogramme(z, N, M, pas);
        const Champ lib = cible();
        gwy_data_field_2dpsdf(champ(z, N, M, pas).get(), lib.get(), GWY_WINDOWING_NONE, 0);
        const double echelle = *std::max_element(s.densite.begin(), s.densite.end()) / (4 * pi * pi);
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j)
                ASSERT_NEAR(s.a((i - N / 2 + N) % N, (j - M / 2 + M) % M) / (4 * pi * pi), at(lib, i, j),
                            1e-9 * echelle);

        for (SensLignes sens : {SensLignes::lignes, SensLignes::colonnes}) {
            const bool lignes = sens == SensLignes::lignes;
            const auto zl = niveler_par_ligne(z, N, M, sens, ReferenceLigne::droite);
            const Ligne profil = ligne();
            gwy_data_field_psdf((lignes ? champ(zl, N, M, pas) : champ(transposee(zl, N, M), M, N, pas)).get(), profil.get(),
                                GWY_ORIENTATION_HORIZONTAL, GWY_INTERPOLATION_LINEAR, GWY_WINDOWING_NONE, -1);
            const Spectre sl = spectre(SommesDecalages(zl, N, M), pas);
            const std::vector<double>& nous = lignes ? sl.le_long_des_lignes : sl.le_long_des_colonnes;
            ASSERT_EQ(gwy_data_line_get_res(profil.get()) + 2, static_cast<int>(nous.size()));
            for (int k = 0; k < gwy_data_line_get_res(profil.get()); ++k)
                EXPECT_NEAR(nous[static_cast<std::size_t>(k + 1)] / (2 * pi), gwy_data_line_get_val(profil.get(), k),
                            1e-9 * nous[static_cast<std::size_t>(k + 1)])
                    << lignes << " " << k;
        }
    }
}

// Sdq: the library pools the squared differences of both directions over all
// their pairs, √(2 (Σx + Σy) / (nx + ny)) / pas; converted back through the
// pair counts, ours agrees, with empty cells too (its mask takes the pairs of
// two real cells). Sdr: the same four triangles per square, but its cells are
// pixels: it adds a half-cell border, extended flat outwards, which is flat
// when the outer ring of the grid is level.
TEST(RapportGwyddion, HybridParametersAreTheLibrarysOnceConverted)
{
    for (auto [N, M, vides] : {std::tuple{37, 24, 0.0}, std::tuple{24, 37, 0.0}, std::tuple{37, 24, 0.25}}) {
        SCOPED_TRACE(vides);
        const double pas = 0.4;
        auto z = surface_essai(N, M, 3.0, 7, vides);
        const Hybrides h = parametres_hybrides(z, N, M, pas);
        const double nx = static_cast<double>(h.paires_x), ny = static_cast<double>(h.paires_y);
        const double lib = gwy_data_field_area_get_surface_slope_mask(
            champ(z, N, M, pas).get(), champ(z, N, M, pas, true).get(), GWY_MASK_INCLUDE, 0, 0, M, N);
        EXPECT_NEAR(std::sqrt(2 * (nx * h.Sdq_x * h.Sdq_x + ny * h.Sdq_y * h.Sdq_y) / (nx + ny)), lib, 1e-9 * lib);
        if (vides > 0)
            continue;
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < M; ++j)
                if (i == 0 || j == 0 || i == N - 1 || j == M - 1)
                    z[static_cast<std::size_t>(i) * M + j] = 0.0;
        const Hybrides a = parametres_hybrides(z, N, M, pas);
        const double bord = (N * M - (N - 1) * (M - 1)) * pas * pas;
        const double aire = gwy_data_field_get_surface_area(champ(z, N, M, pas).get());
        EXPECT_NEAR((1 + a.Sdr) * static_cast<double>(a.carres) * pas * pas + bord, aire, 1e-12 * aire);
    }
}

// The library's cumulative height distribution on K bins is the share of
// cells below each bin's upper edge: one minus it is Smr at that edge,
// exactly, with a mask too.
TEST(RapportGwyddion, MaterialRatioIsOneMinusTheLibrarysCumulativeHeights)
{
    for (double vides : {0.0, 0.3}) {
        const int N = 41, M = 29, K = 50;
        const auto z = surface_essai(N, M, 2.0, 13, vides);
        const CourbePortance courbe(z);
        const Ligne cdh = ligne();
        gwy_data_field_area_cdh(champ(z, N, M, 1.0).get(), champ(z, N, M, 1.0, true).get(), cdh.get(), 0, 0, M, N,
                                K);
        const double haut = courbe.hauteurs().front(), bas = courbe.hauteurs().back();
        for (int k = 0; k + 1 < K; ++k)
            EXPECT_NEAR(courbe.taux(bas + (k + 1) * (haut - bas) / K), 1 - gwy_data_line_get_val(cdh.get(), k), 1e-12)
                << vides << " " << k;
    }
}

// With 30 % empty cells, the library's masked autocorrelation counts the same
// pairs of real cells as ours: it agrees wherever it has more than its
// threshold, about ln(N·M), of them. (Its unmasked functions would see the
// empty cells as heights 0.)
TEST(RapportGwyddion, MaskedAutocorrelationIsTheLibrarys)
{
    const int N = 48, M = 40;
    const auto z = surface_essai(N, M, 4.0, 17, 0.3);
    const Autocorrelation R = autocorrelation(SommesDecalages(z, N, M), 1.0, N - 1, M - 1);
    const Champ masque = cible(), poids = cible();
    gwy_data_field_area_2dacf_mask(champ(z, N, M, 1.0).get(), masque.get(), champ(z, N, M, 1.0, true).get(),
                                   GWY_MASK_INCLUDE, 0, 0, M, N, M, N, poids.get());
    const double seuil = 1.000001 * std::round(std::log(double(N) * M));
    int comparees = 0;
    for (int dy = 1 - N; dy < N; ++dy)
        for (int dx = 1 - M; dx < M; ++dx)
            if (at(poids, dy + N - 1, dx + M - 1) > seuil) {
                ++comparees;
                ASSERT_NEAR(R(dy, dx), at(masque, dy + N - 1, dx + M - 1) / at(masque, N - 1, M - 1), 1e-9)
                    << dy << " " << dx;
            }
    EXPECT_GT(comparees, N * M);
}
