#include "tools/rapport/puissance.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <stdexcept>

namespace rapport {

namespace {

constexpr int degres = 180;
constexpr int rayons_par_degre = 5;

// Replaces the sums on the torus by the weighted autocovariance folded onto
// the N x M torus (see the header), in rows 2·(M/2 + 1) apart at the start
// of their memory, ready for an in-place real transform. Row ty of the result
// reads rows ty and P + ty − N of the sums; it is written over rows ty and
// before, which nothing reads any more.
void replier(SommesDecalages& s)
{
    const int N = s.lignes(), M = s.colonnes();
    const std::size_t Mp = 2 * (static_cast<std::size_t>(M) / 2 + 1);
    const double cellules = static_cast<double>(N) * M;
    auto c = [&](int dy, int dx) {
        const double paires = s.paires(dy, dx);
        return paires > 0 ? s.somme(dy, dx) / paires * (N - std::abs(dy)) / cellules * (M - std::abs(dx)) : 0.0;
    };
    std::vector<double> ligne(static_cast<std::size_t>(M));
    for (int ty = 0; ty < N; ++ty) {
        for (int tx = 0; tx < M; ++tx) {
            double f = c(ty, tx);
            if (tx > 0)
                f += c(ty, tx - M);
            if (ty > 0) {
                f += c(ty - N, tx);
                if (tx > 0)
                    f += c(ty - N, tx - M);
            }
            ligne[static_cast<std::size_t>(tx)] = f;
        }
        std::memcpy(s.tore_sommes() + static_cast<std::size_t>(ty) * Mp, ligne.data(), sizeof(double) * M);
    }
}

// The density from the half-spectrum of an in-place real transform
// (value(ky, kx) for kx <= M/2), the other half by the symmetry of a real
// grid's spectrum.
void remplir(Spectre& sp, const fftw_complex* F, auto&& valeur)
{
    const int N = sp.lignes, M = sp.colonnes;
    const int demi = M / 2 + 1;
    for (int ky = 0; ky < N; ++ky)
        for (int kx = 0; kx < demi; ++kx)
            sp.densite[static_cast<std::size_t>(ky) * M + kx] = valeur(F[static_cast<std::size_t>(ky) * demi + kx]);
    for (int ky = 0; ky < N; ++ky)
        for (int kx = demi; kx < M; ++kx)
            sp.densite[static_cast<std::size_t>(ky) * M + kx] = sp.a((N - ky) % N, M - kx);
}

// Signed frequency index of entry k of a transform of length n.
int signe(int k, int n) { return k <= n / 2 ? k : k - n; }

// The density at fractional frequency indices (ky, kx), bilinear, periodic.
double interpoler(const Spectre& s, double ky, double kx)
{
    const double y0 = std::floor(ky), x0 = std::floor(kx);
    const double fy = ky - y0, fx = kx - x0;
    const int N = s.lignes, M = s.colonnes;
    const int i = (static_cast<int>(y0) % N + N) % N, j = (static_cast<int>(x0) % M + M) % M;
    const int i1 = (i + 1) % N, j1 = (j + 1) % M;
    return (1 - fy) * ((1 - fx) * s.a(i, j) + fx * s.a(i, j1)) + fy * ((1 - fx) * s.a(i1, j) + fx * s.a(i1, j1));
}

// The rings, the profiles, the angular spectrum and Std of a 2-D density.
void completer(Spectre& sp)
{
    const int N = sp.lignes, M = sp.colonnes;
    const double pas = sp.pas;
    const double dfy = 1.0 / (N * pas), dfx = 1.0 / (M * pas);
    const double df = 1.0 / (std::min(N, M) * pas), nyquist = 0.5 / pas;

    // Rings and profiles, in one pass over the density.
    const int anneaux = std::min(N, M) / 2;
    std::vector<double> somme(static_cast<std::size_t>(anneaux) + 1, 0.0), compte(somme.size(), 0.0);
    sp.le_long_des_lignes.assign(static_cast<std::size_t>(M / 2) + 1, 0.0);
    sp.le_long_des_colonnes.assign(static_cast<std::size_t>(N / 2) + 1, 0.0);
    for (int ky = 0; ky < N; ++ky) {
        const double fy = signe(ky, N) * dfy;
        double le_long = 0;
        for (int kx = 0; kx < M; ++kx) {
            const double d = sp.a(ky, kx);
            if (kx <= M / 2)
                sp.le_long_des_lignes[static_cast<std::size_t>(kx)] += d * dfy;
            le_long += d * dfx;
            const double fx = signe(kx, M) * dfx;
            const long anneau = static_cast<long>(std::sqrt(fx * fx + fy * fy) / df + 0.5);
            if (anneau >= 1 && anneau <= anneaux) {
                somme[static_cast<std::size_t>(anneau)] += d;
                compte[static_cast<std::size_t>(anneau)] += 1;
            }
        }
        if (ky <= N / 2)
            sp.le_long_des_colonnes[static_cast<std::size_t>(ky)] = le_long;
    }
    for (int k = 0; k <= M / 2; ++k)
        sp.frequences_lignes.push_back(k * dfx);
    for (int k = 0; k <= N / 2; ++k)
        sp.frequences_colonnes.push_back(k * dfy);
    for (int k = 1; k <= anneaux; ++k) {
        sp.frequences_radiales.push_back(k * df);
        sp.radial.push_back(compte[static_cast<std::size_t>(k)] > 0
                                ? somme[static_cast<std::size_t>(k)] / compte[static_cast<std::size_t>(k)]
                                : std::nan(""));
    }

    // The angular spectrum, along rays by steps of half the finer frequency step.
    const double pas_f = 0.5 * std::min(dfx, dfy);
    const int points = static_cast<int>(nyquist / pas_f);
    int meilleur = 0;
    for (int d = 0; d < degres; ++d) {
        double total = 0;
        for (int r = 0; r < rayons_par_degre; ++r) {
            const double theta = (d + (r + 0.5) / rayons_par_degre - 0.5) * std::numbers::pi / degres;
            const double cy = std::sin(theta) / dfy, cx = std::cos(theta) / dfx;
            for (int n = 1; n <= points; ++n) {
                const double f = n * pas_f;
                total += interpoler(sp, f * cy, f * cx) * f;
            }
        }
        sp.angles.push_back(d);
        sp.angulaire.push_back(2 * total * pas_f / rayons_par_degre);
        if (sp.angulaire.back() > sp.angulaire[static_cast<std::size_t>(meilleur)])
            meilleur = d;
    }
    const double avant = sp.angulaire[static_cast<std::size_t>((meilleur + degres - 1) % degres)];
    const double pic = sp.angulaire[static_cast<std::size_t>(meilleur)];
    const double apres = sp.angulaire[static_cast<std::size_t>((meilleur + 1) % degres)];
    const double courbure = avant - 2 * pic + apres;
    const double decalage = courbure < 0 ? 0.5 * (avant - apres) / courbure : 0.0;
    sp.Std = std::fmod(meilleur + decalage + 180.0, 180.0);
}

Spectre vide(int N, int M, double pas)
{
    Spectre sp;
    sp.lignes = N;
    sp.colonnes = M;
    sp.pas = pas;
    sp.densite.resize(static_cast<std::size_t>(N) * M);
    return sp;
}

} // namespace

Spectre spectre(SommesDecalages&& sommes, double pas)
{
    const int N = sommes.lignes(), M = sommes.colonnes();
    if (sommes.portee_lignes() < N - 1 || sommes.portee_colonnes() < M - 1)
        throw std::logic_error("spectre : il faut les sommes de tous les decalages");
    Spectre sp = vide(N, M, pas);
    replier(sommes);
    double* F = sommes.tore_sommes();
    {
        const surface::Plan plan = plan_reel(N, M, F, false);
        fftw_execute(plan.get());
    }
    remplir(sp, reinterpret_cast<const fftw_complex*>(F), [pas](const fftw_complex& v) { return pas * pas * v[0]; });
    completer(sp);
    return sp;
}

Spectre periodogramme(const std::vector<double>& z, int N, int M, double pas)
{
    for (double h : z)
        if (std::isnan(h))
            return spectre(SommesDecalages(z, N, M), pas);
    Spectre sp = vide(N, M, pas);
    const std::size_t Mp = 2 * (static_cast<std::size_t>(M) / 2 + 1);
    const ZeroedMemory memoire(static_cast<std::size_t>(N) * Mp * sizeof(double));
    double* F = static_cast<double*>(memoire.data());
    for (int i = 0; i < N; ++i)
        std::memcpy(F + static_cast<std::size_t>(i) * Mp, z.data() + static_cast<std::size_t>(i) * M, sizeof(double) * M);
    {
        const surface::Plan plan = plan_reel(N, M, F, false);
        fftw_execute(plan.get());
    }
    const double echelle = pas * pas / (static_cast<double>(N) * M);
    remplir(sp, reinterpret_cast<const fftw_complex*>(F),
            [echelle](const fftw_complex& v) { return echelle * (v[0] * v[0] + v[1] * v[1]); });
    completer(sp);
    return sp;
}

} // namespace rapport
