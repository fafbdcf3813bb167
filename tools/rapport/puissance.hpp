// The power spectral density of a levelled grid, with empty cells, and the
// texture direction Std read from it.
//
// Method: the spectrum is the Fourier transform of the autocovariance
// (Wiener–Khinchin). The autocovariance at each lag is the mean product over
// the pairs of real cells (exact pair counts), weighted by the share of pairs
// that a full grid has at that lag, (N − |dy|)(M − |dx|) / (N M), and folded
// onto the N x M torus; its discrete transform is the density at the
// frequencies (ky / (N·pas), kx / (M·pas)). On a grid without empty cells
// this is exactly the periodogram pas² |Σ z e^(−2πi(…))|² / (N M). With empty
// cells, each lag keeps an unbiased covariance instead of the zero-filled
// grid's, which shrinks with the share of missing pairs; the price is noise
// where few pairs remain, and values that can dip below zero where the
// density is small.
//
// Units: heights z and lengths L in the grid's unit; frequencies in cycles
// per L. The 2-D density is in z²·L², the profile densities in z²·L, the
// angular spectrum in z² per radian.
#pragma once

#include "tools/rapport/espace.hpp"

#include <vector>

namespace rapport {

struct Spectre {
    int lignes = 0, colonnes = 0;
    double pas = 0.0;
    // The 2-D density at (ky, kx), ky = 0 .. N−1 and kx = 0 .. M−1 in the
    // order of a discrete transform (index k stands for k − N past N/2).
    std::vector<double> densite;

    // Ring means of the 2-D density: ring k holds the frequencies within half
    // a step of k·Δf, Δf = 1 / (min(N, M)·pas), k = 1 up to the Nyquist
    // frequency 1 / (2·pas).
    std::vector<double> frequences_radiales, radial;
    // Profile densities, two-sided: along the rows (the 2-D density summed
    // over ky times 1/(N·pas), for kx = 0 .. M/2), and along the columns.
    // On a full grid, the first is the mean periodogram of the rows.
    std::vector<double> frequences_lignes, le_long_des_lignes;
    std::vector<double> frequences_colonnes, le_long_des_colonnes;
    // The angular spectrum at 0°, 1°, ..., 179°: A(θ) = 2 ∫ D(f cos θ, f sin θ)
    // f df over 0 < f <= 1/(2·pas), the density D interpolated bilinearly
    // between frequencies, along 5 rays spread over each degree (the factor 2
    // counts θ + 180°: the integral of A over [0, π) is the power of the
    // disc). Sampling along rays treats every direction alike, where counting
    // the grid's frequencies by sector would favour the axes.
    std::vector<double> angles, angulaire;
    // Texture direction: the direction of the angular spectrum's maximum,
    // refined by a parabola through the three degrees around it; degrees in
    // [0°, 180°), from the x axis (along the rows) towards the y axis.
    // A lay of parallel grooves has its maximum across them: the grooves run
    // at Std ± 90°.
    double Std = 0.0;

    double a(int ky, int kx) const { return densite[static_cast<std::size_t>(ky) * colonnes + kx]; }
};

// From the sums over all lags; works in their memory, which it leaves spent.
Spectre spectre(SommesDecalages&& sommes, double pas);
// The same on a grid without empty cells, from its transform alone:
// pas² |Σ z e^(−2πi(…))|² / (N M). On a grid with empty cells, falls back to
// the sums.
Spectre periodogramme(const std::vector<double>& z, int lignes, int colonnes, double pas);

} // namespace rapport
