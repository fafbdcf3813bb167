#include "tools/surface/surface.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

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

namespace {
std::uint64_t splitmix64(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}
std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
} // namespace

Normale::Normale(std::uint64_t graine)
{
    for (auto& e : etat_)
        e = splitmix64(graine);
}

std::uint64_t Normale::suivant()
{
    const std::uint64_t resultat = rotl(etat_[1] * 5, 7) * 9;
    const std::uint64_t t = etat_[1] << 17;
    etat_[2] ^= etat_[0];
    etat_[3] ^= etat_[1];
    etat_[1] ^= etat_[2];
    etat_[0] ^= etat_[3];
    etat_[2] ^= t;
    etat_[3] = rotl(etat_[3], 45);
    return resultat;
}

double Normale::uniforme_symetrique()
{
    // 53 random bits to [0, 2), then shifted: never exactly -1 or below.
    return static_cast<double>(suivant() >> 11) * 0x1.0p-52 - 1.0;
}

double Normale::operator()()
{
    if (reserve_) {
        reserve_ = false;
        return suivante_;
    }
    double u, v, s;
    do {
        u = uniforme_symetrique();
        v = uniforme_symetrique();
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double facteur = std::sqrt(-2.0 * std::log(s) / s);
    suivante_ = v * facteur;
    reserve_ = true;
    return u * facteur;
}

std::uint64_t graine_derivee(std::uint64_t graine, std::uint64_t flux, std::uint64_t indice)
{
    auto melange = [](std::uint64_t x) {
        x += 0x9e3779b97f4a7c15ULL;
        x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
        x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
        return x ^ (x >> 31);
    };
    return melange(melange(melange(graine) ^ flux) ^ indice);
}

Plongement::Plongement(int lignes, int colonnes, double pas, Modele modele, double sigma, double L,
                       long long cellules_max)
    : lignes_(lignes), colonnes_(colonnes)
{
    if (lignes < 1 || colonnes < 1 || !(pas > 0.0) || !(sigma >= 0.0) || !(L > 0.0))
        throw std::invalid_argument("surface : grille ou parametres invalides");
    int P = taille_rapide(std::max(2 * (lignes - 1), 1));
    int Q = taille_rapide(std::max(2 * (colonnes - 1), 1));
    double pire = 0.0;
    // One doubling of the torus at most: each draw costs a transform of the
    // whole torus, and a correlation as long as the grid would need far more.
    const long long budget = std::min(cellules_max, 4LL * P * Q);
    for (int essai = 0;; ++essai) {
        if (static_cast<long long>(P) * Q > cellules_max)
            throw std::length_error("surface : tore de plongement trop grand pour la memoire permise");
        Buffer<Complexe> c(static_cast<std::size_t>(P) * Q);
        for (int p = 0; p < P; ++p) {
            const double dy = std::min(p, P - p) * pas;
            for (int q = 0; q < Q; ++q) {
                const double dx = std::min(q, Q - q) * pas;
                c[static_cast<std::size_t>(p) * Q + q] = covariance(modele, sigma, L, std::hypot(dx, dy));
            }
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
        const bool dernier = positif || essai > 0 || suivant > budget;
        if (dernier) {
            P_ = P;
            Q_ = Q;
            exact_ = positif;
            defaut_ = pire;
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
    const std::size_t n = static_cast<std::size_t>(P_) * Q_;
    if (travail.size() != n)
        travail = Buffer<Complexe>(n);
    Normale normale(graine);
    for (std::size_t k = 0; k < n; ++k) {
        const double re = normale();
        const double im = normale();
        travail[k] = Complexe(racine_[k] * re, racine_[k] * im);
    }
    fftw_execute_dft(plan_.get(), as_fftw(travail.data()), as_fftw(travail.data()));
    for (int i = 0; i < lignes_; ++i)
        for (int j = 0; j < colonnes_; ++j) {
            const Complexe v = travail[static_cast<std::size_t>(i) * Q_ + j];
            a[static_cast<std::size_t>(i) * colonnes_ + j] = v.real();
            b[static_cast<std::size_t>(i) * colonnes_ + j] = v.imag();
        }
}

} // namespace surface
