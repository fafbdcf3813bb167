#include "tools/surface/surface.hpp"

#include "tools/commun/aleatoire.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace surface {

const char* nom(Modele modele)
{
    return modele == Modele::exponentiel ? "exponentiel" : "gaussien";
}

double covariance(Modele modele, double sigma, double L, double r)
{
    const double u = r / L;
    return sigma * sigma * (modele == Modele::exponentiel ? std::exp(-u) : std::exp(-u * u));
}

double correlation_hauteurs(Modele modele, double sigma, double L, double r)
{
    const double u = r / L;
    return 2.0 * sigma * sigma * -(modele == Modele::exponentiel ? std::expm1(-u) : std::expm1(-u * u));
}

double Plongement::portee(Modele modele, double pas, double L, double tolerance)
{
    const double u = std::log(1.0 / tolerance); // r/L where exp(−r/L) = tolerance
    return (modele == Modele::exponentiel ? u : std::sqrt(u)) * L / pas;
}

Plongement::Plongement(int lignes, int colonnes, double pas, Modele modele, double sigma, double L,
                       long long cellules_max, double tolerance, double L_tore)
    : lignes_(lignes), colonnes_(colonnes)
{
    if (lignes < 1 || colonnes < 1 || !(pas > 0.0) || !(sigma >= 0.0) || !(L > 0.0) || !(tolerance >= 0.0) ||
        !(tolerance < 1.0))
        throw std::invalid_argument("surface : grille ou parametres invalides");
    int P = taille_rapide(std::max(2 * (lignes - 1), 1));
    int Q = taille_rapide(std::max(2 * (colonnes - 1), 1));
    bool compact = false;
    if (tolerance > 0.0) {
        // The grid plus the reach of the covariance on each side, when that is
        // smaller than the exact torus in cells.
        const double marge = std::ceil(portee(modele, pas, std::max(L, L_tore), tolerance));
        if (marge < static_cast<double>(std::max(lignes, colonnes))) {
            const int Pc = taille_rapide(lignes + static_cast<int>(marge));
            const int Qc = taille_rapide(colonnes + static_cast<int>(marge));
            if (static_cast<long long>(Pc) * Qc < static_cast<long long>(P) * Q) {
                P = Pc;
                Q = Qc;
                compact = true;
            }
        }
    }
    double pire = 0.0;
    // One doubling of the torus at most: each draw costs a transform of the
    // whole torus, and a correlation as long as the grid would need far more.
    const long long budget = std::min(cellules_max, 4LL * P * Q);
    // The model's covariance between cells dy, dx steps apart, with the
    // periodic images of the compact torus (the nearest eight are enough:
    // the next ones are more than a torus side away).
    auto enroulee = [&](int dy, int dx) {
        if (!compact)
            return covariance(modele, sigma, L, std::hypot(dx * pas, dy * pas));
        double c = 0.0;
        for (int i = -1; i <= 1; ++i)
            for (int j = -1; j <= 1; ++j)
                c += covariance(modele, sigma, L, std::hypot((dx + j * Q) * pas, (dy + i * P) * pas));
        return c;
    };
    for (int essai = 0;; ++essai) {
        if (static_cast<long long>(P) * Q > cellules_max)
            throw std::length_error("surface : tore de plongement trop grand pour la memoire permise");
        Buffer<Complexe> c(static_cast<std::size_t>(P) * Q);
        // The covariance depends on |dy| and |dx| only: one row per distinct |dy|.
        std::vector<double> ligne(static_cast<std::size_t>(Q));
        for (int p = 0; p < P; ++p) {
            const int dy = std::min(p, P - p);
            if (p <= P / 2) {
                // And on |dx|: the second half of the row mirrors the first.
                for (int q = 0; q <= Q / 2; ++q)
                    ligne[static_cast<std::size_t>(q)] = enroulee(dy, q);
                for (int q = Q / 2 + 1; q < Q; ++q)
                    ligne[static_cast<std::size_t>(q)] = ligne[static_cast<std::size_t>(Q - q)];
            } else
                for (int q = 0; q < Q; ++q)
                    ligne[static_cast<std::size_t>(q)] = c[static_cast<std::size_t>(P - p) * Q + q].real();
            for (int q = 0; q < Q; ++q)
                c[static_cast<std::size_t>(p) * Q + q] = ligne[static_cast<std::size_t>(q)];
        }
        const Plan plan = Plan::complexe_2d(P, Q, c.data(), FFTW_FORWARD);
        fftw_execute(plan.get());
        double plus_grand = 0.0, plus_petit = 0.0;
        for (std::size_t k = 0; k < c.size(); ++k) {
            plus_grand = std::max(plus_grand, c[k].real());
            plus_petit = std::min(plus_petit, c[k].real());
        }
        pire = plus_grand > 0.0 ? -plus_petit / plus_grand : 0.0;
        // Rounding leaves eigenvalues of about 1e-13 of the largest below zero.
        const bool positif = pire <= 1e-10;
        const long long suivant = static_cast<long long>(taille_rapide(2 * P)) * taille_rapide(2 * Q);
        const bool dernier = compact || positif || essai > 0 || suivant > budget;
        if (dernier) {
            P_ = P;
            Q_ = Q;
            exact_ = positif && !compact;
            defaut_ = pire;
            if (compact) {
                // The images add most at the far corners and edges of the grid.
                const double s2 = sigma * sigma > 0.0 ? sigma * sigma : 1.0;
                for (const auto& [dy, dx] : {std::pair{lignes - 1, colonnes - 1}, std::pair{lignes - 1, 0},
                                             std::pair{0, colonnes - 1}, std::pair{0, 0}})
                    erreur_ = std::max(erreur_, std::fabs(enroulee(dy, dx) -
                                                          covariance(modele, sigma, L, std::hypot(dx * pas, dy * pas))) /
                                                    s2);
            }
            racine_.resize(c.size());
            plan_ = Plan::complexe_2d(P, Q, c.data(), FFTW_FORWARD);
            const double n = static_cast<double>(P) * Q;
            for (std::size_t k = 0; k < c.size(); ++k)
                racine_[k] = std::sqrt(std::max(c[k].real(), 0.0) / n);
            return;
        }
        P = taille_rapide(2 * P);
        Q = taille_rapide(2 * Q);
    }
}

void Plongement::tirer(std::uint64_t graine, std::span<double> a, std::span<double> b, Buffer<Complexe>& travail) const
{
    tirer_tore(graine, travail);
    extraire(travail, 0, a);
    extraire(travail, 1, b);
}

void Plongement::tirer_tore(std::uint64_t graine, Buffer<Complexe>& travail, bool rapide) const
{
    const std::size_t n = static_cast<std::size_t>(P_) * Q_;
    if (travail.size() != n)
        travail = Buffer<Complexe>(n);
    if (rapide) {
        // Two values per 64 random bits: each 32-bit half times 6, over 2³²,
        // is 0 to 5 with probability 1/6 each (to 2⁻³² near): −√3 for 0, √3
        // for 5, 0 otherwise. Variance 1, fourth moment 3.
        std::uint64_t x = graine;
        constexpr double racine3 = 1.7320508075688772;
        constexpr double valeur[6] = {-racine3, 0.0, 0.0, 0.0, 0.0, racine3};
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint64_t u = outils::splitmix64(x);
            const double re = valeur[((u >> 32) * 6) >> 32];
            const double im = valeur[((u & 0xffffffffULL) * 6) >> 32];
            travail[k] = Complexe(racine_[k] * re, racine_[k] * im);
        }
        fftw_execute_dft(plan_.get(), as_fftw(travail.data()), as_fftw(travail.data()));
        return;
    }
    outils::Random alea(graine);
    for (std::size_t k = 0; k < n; ++k) {
        const double re = alea.normal();
        const double im = alea.normal();
        travail[k] = Complexe(racine_[k] * re, racine_[k] * im);
    }
    fftw_execute_dft(plan_.get(), as_fftw(travail.data()), as_fftw(travail.data()));
}

void Plongement::extraire(const Buffer<Complexe>& travail, int laquelle, std::span<double> z) const
{
    // A complex value is two doubles: the real part first.
    const double* t = reinterpret_cast<const double*>(travail.data()) + (laquelle == 0 ? 0 : 1);
    for (int i = 0; i < lignes_; ++i) {
        const double* ligne = t + 2 * static_cast<std::size_t>(i) * Q_;
        double* sortie = z.data() + static_cast<std::size_t>(i) * colonnes_;
        for (int j = 0; j < colonnes_; ++j)
            sortie[j] = ligne[2 * j];
    }
}

} // namespace surface
