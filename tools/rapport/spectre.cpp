#include "spectre.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace rapport {

namespace {

constexpr int secteurs = 180;

// The weighted autocovariance folded onto the N x M torus (see the header).
surface::Buffer<surface::Complexe> covariance_repliee(const SommesDecalages& s)
{
    const int N = s.lignes(), M = s.colonnes();
    surface::Buffer<surface::Complexe> F(static_cast<std::size_t>(N) * M);
    const double cellules = static_cast<double>(N) * M;
    for (int dy = -(N - 1); dy <= N - 1; ++dy) {
        surface::Complexe* ligne = F.data() + static_cast<std::size_t>(dy < 0 ? dy + N : dy) * M;
        const double part_y = (N - std::abs(dy)) / cellules;
        for (int dx = -(M - 1); dx <= M - 1; ++dx) {
            const double paires = s.paires(dy, dx);
            if (paires > 0)
                ligne[dx < 0 ? dx + M : dx] += s.somme(dy, dx) / paires * part_y * (M - std::abs(dx));
        }
    }
    return F;
}

// Signed frequency index of entry k of a transform of length n.
int signe(int k, int n) { return k <= n / 2 ? k : k - n; }

} // namespace

Spectre spectre(const SommesDecalages& s, double pas)
{
    const int N = s.lignes(), M = s.colonnes();
    Spectre sp;
    sp.lignes = N;
    sp.colonnes = M;
    sp.pas = pas;
    {
        surface::Buffer<surface::Complexe> F = covariance_repliee(s);
        const surface::Plan plan = surface::Plan::complexe_2d(N, M, F.data(), FFTW_FORWARD);
        fftw_execute(plan.get());
        sp.densite.resize(F.size());
        for (std::size_t k = 0; k < F.size(); ++k)
            sp.densite[k] = pas * pas * F[k].real();
    }
    const double dfy = 1.0 / (N * pas), dfx = 1.0 / (M * pas);
    const double df = 1.0 / (std::min(N, M) * pas), nyquist = 0.5 / pas;

    const int anneaux = std::min(N, M) / 2;
    std::vector<double> somme(static_cast<std::size_t>(anneaux) + 1, 0.0), compte(somme.size(), 0.0);
    std::vector<double> secteur(secteurs, 0.0);
    sp.le_long_des_lignes.assign(static_cast<std::size_t>(M / 2) + 1, 0.0);
    sp.le_long_des_colonnes.assign(static_cast<std::size_t>(N / 2) + 1, 0.0);
    for (int ky = 0; ky < N; ++ky) {
        const double fy = signe(ky, N) * dfy;
        for (int kx = 0; kx < M; ++kx) {
            const double d = sp.a(ky, kx), fx = signe(kx, M) * dfx;
            if (kx <= M / 2)
                sp.le_long_des_lignes[static_cast<std::size_t>(kx)] += d * dfy;
            if (ky <= N / 2)
                sp.le_long_des_colonnes[static_cast<std::size_t>(ky)] += d * dfx;
            if (ky == 0 && kx == 0)
                continue;
            const double f = std::hypot(fx, fy);
            const long anneau = std::lround(f / df);
            if (anneau <= anneaux) {
                somme[static_cast<std::size_t>(anneau)] += d;
                compte[static_cast<std::size_t>(anneau)] += 1;
            }
            if (f <= nyquist) {
                double angle = std::atan2(fy, fx) * (180.0 / std::numbers::pi);
                if (angle < 0)
                    angle += 180.0;
                secteur[static_cast<std::size_t>(std::lround(angle) % secteurs)] += d * dfx * dfy;
            }
        }
    }
    // The profile densities sum the other direction's frequencies with their
    // step, which brings the 2-D density down to z²·L.
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
    const double largeur = std::numbers::pi / secteurs;
    int meilleur = 0;
    for (int k = 0; k < secteurs; ++k) {
        sp.angles.push_back(180.0 * k / secteurs);
        sp.angulaire.push_back(secteur[static_cast<std::size_t>(k)] / largeur);
        if (sp.angulaire[static_cast<std::size_t>(k)] > sp.angulaire[static_cast<std::size_t>(meilleur)])
            meilleur = k;
    }
    const double avant = sp.angulaire[static_cast<std::size_t>((meilleur + secteurs - 1) % secteurs)];
    const double pic = sp.angulaire[static_cast<std::size_t>(meilleur)];
    const double apres = sp.angulaire[static_cast<std::size_t>((meilleur + 1) % secteurs)];
    const double courbure = avant - 2 * pic + apres;
    const double decalage = courbure < 0 ? 0.5 * (avant - apres) / courbure : 0.0;
    sp.Std = std::fmod(180.0 * (meilleur + decalage) / secteurs + 180.0, 180.0);
    return sp;
}

} // namespace rapport
