// Zero-mean Gaussian random surfaces sampled on a regular grid, with the
// covariance of a model exactly (circulant embedding): the grid is embedded in
// a periodic torus at least twice its size, the covariance wrapped on the torus
// is diagonalised by a 2-D FFT, and one complex FFT of scaled complex white
// noise gives two independent surfaces, its real and its imaginary parts.
// When the wrapped covariance has negative eigenvalues (long correlations on a
// small grid), the torus is doubled once; if that is not enough, the negative
// eigenvalues are set to zero and the surfaces are only approximately of the
// model (`exact()` says which).
//
// A compact torus may be asked for instead (a tolerance above 0): each side is
// only the grid plus the distance at which the model's covariance falls below
// the tolerance times σ², and the covariance put on the torus is the model's
// summed over the torus's nearest periodic images, whose spectrum is the
// model's spectral density (positive for both models). Pairs of the grid then
// get the model's covariance plus that of their images, at most a few times
// the tolerance times σ² (`erreur_covariance()` gives it). When the compact
// torus would not be smaller than the exact one, the exact one is used.
// `L_tore`, when longer than L, sizes the compact torus instead of L: surfaces
// of several L's on one torus size share their white noise for a seed.
#pragma once

#include "tools/surface/fft.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace surface {

enum class Modele { exponentiel, gaussien };

const char* nom(Modele modele);

// Covariance at distance r: σ² exp(−r/L) or σ² exp(−(r/L)²).
double covariance(Modele modele, double sigma, double L, double r);
// Height-height correlation H(r) = 2 (C(0) − C(r)).
double correlation_hauteurs(Modele modele, double sigma, double L, double r);

class Plongement {
public:
    // Surfaces of lignes x colonnes cells, step `pas`, of the model's covariance.
    // `cellules_max` bounds the torus (its number of cells).
    Plongement(int lignes, int colonnes, double pas, Modele modele, double sigma, double L,
               long long cellules_max = 1LL << 24, double tolerance = 0.0, double L_tore = 0.0);

    int lignes() const { return lignes_; }
    int colonnes() const { return colonnes_; }
    int tore_lignes() const { return P_; }
    int tore_colonnes() const { return Q_; }
    bool exact() const { return exact_; }
    // The most negative eigenvalue over the largest, before clipping (0 when none).
    double defaut_relatif() const { return defaut_; }
    // The largest difference between the covariance of two cells of the grid
    // and the model's, over σ² (0 on an exact torus, up to rounding).
    double erreur_covariance() const { return erreur_; }
    // The distance in steps beyond which the model's covariance is below
    // `tolerance` times σ².
    static double portee(Modele modele, double pas, double L, double tolerance);

    // Two independent surfaces for a seed, row-major lignes x colonnes each.
    // Uses `travail` as scratch (resized as needed): one per thread.
    void tirer(std::uint64_t graine, std::span<double> a, std::span<double> b, Buffer<Complexe>& travail) const;
    // The same draw left on the torus: `extraire` then copies one of its two
    // surfaces (0: the first, 1: the second), so that only one grid is kept.
    // With `rapide`, the white noise takes the values −√3 and √3 with
    // probability 1/6 each, and 0 otherwise, rather than normal ones: it has the normal's mean,
    // variance and fourth moment, so the covariance of the heights and the
    // variance of every quadratic form of them (sums of squares, the measured
    // correlation, hence the spread of the fitted σ and L) are those of normal
    // surfaces, and the noise costs a fraction of normal deviates. (A uniform
    // noise, of fourth moment 1.8, would shrink those spreads by up to a third
    // on a torus little larger than the grid.)
    void tirer_tore(std::uint64_t graine, Buffer<Complexe>& travail, bool rapide = false) const;
    void extraire(const Buffer<Complexe>& travail, int laquelle, std::span<double> z) const;

private:
    int lignes_, colonnes_, P_ = 0, Q_ = 0;
    bool exact_ = true;
    double defaut_ = 0.0;
    double erreur_ = 0.0;
    std::vector<double> racine_; // sqrt(λ / (P Q)), P x Q row-major
    Plan plan_;                  // forward P x Q transform, in place, any aligned buffer
};

} // namespace surface
