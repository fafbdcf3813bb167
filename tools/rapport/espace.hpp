// The areal autocorrelation function of a levelled grid over its real cells,
// and the spatial parameters read from it: Sal, the shortest distance at
// which it falls to a threshold (0.2 by default), and Str, the ratio of that
// distance to the longest one over all directions.
//
// Lags are (dy, dx) in cells: dy along the columns (the row index i varies),
// dx along the rows (the column index j varies).
#pragma once

#include "tools/surface/fft.hpp"

#include <cstddef>
#include <cstdlib>
#include <vector>

namespace rapport {

// Zero-filled memory mapped from the system with all its pages at once: for
// the hundreds of megabytes of a large grid's torus, far cheaper than taking
// the pages one fault at a time as a fill first touches them. Page-aligned.
class ZeroedMemory {
public:
    ZeroedMemory() = default;
    explicit ZeroedMemory(std::size_t bytes);
    ZeroedMemory(ZeroedMemory&& o) noexcept : data_(o.data_), bytes_(o.bytes_) { o.data_ = nullptr; }
    ZeroedMemory& operator=(ZeroedMemory&& o) noexcept;
    ZeroedMemory(const ZeroedMemory&) = delete;
    ZeroedMemory& operator=(const ZeroedMemory&) = delete;
    ~ZeroedMemory();
    void* data() const { return data_; }

private:
    void* data_ = nullptr;
    std::size_t bytes_ = 0;
};

// An in-place 2-D real transform of lignes x colonnes values, rows
// 2·(colonnes/2 + 1) apart, to the complex half-spectrum (or back, with
// `inverse`). FFTW's planner is made safe for threads beside the surface
// library's lock, which only serialises its own plans.
surface::Plan plan_reel(int lignes, int colonnes, double* donnees, bool inverse);

// Sums over the pairs of real cells at every lag: for |dy| < lignes and
// |dx| < colonnes, somme = Σ z(i, j) z(i+dy, j+dx) and paires = the number of
// such pairs, both cells real. Computed at once for all lags by FFT: the
// autocorrelations of the masked heights m·z and of the mask m, each padded
// to a torus large enough that no lag wraps, by one real transform and its
// inverse. The pair counts are exact (rounded from the transform); a grid
// without empty cells has (N − |dy|)(M − |dx|) pairs, and no mask transform.
class SommesDecalages {
public:
    // z: lignes x colonnes, row-major, NaN for an empty cell. Only the lags
    // |dy| <= portee_lignes, |dx| <= portee_colonnes when they are given
    // (a smaller torus); all of them otherwise.
    SommesDecalages(const std::vector<double>& z, int lignes, int colonnes, int portee_lignes = -1,
                    int portee_colonnes = -1);

    int lignes() const { return N_; }
    int colonnes() const { return M_; }
    int portee_lignes() const { return Ky_; }
    int portee_colonnes() const { return Kx_; }
    double somme(int dy, int dx) const { return tore_sommes()[indice(dy, dx)]; }
    double paires(int dy, int dx) const
    {
        return plein_ ? static_cast<double>(N_ - std::abs(dy)) * (M_ - std::abs(dx)) : tore_paires()[indice(dy, dx)];
    }

    // The tori, tore_lignes() x tore_colonnes() values in rows pas_ligne()
    // apart: the sums (and counts, none on a full grid) at (dy mod P, dx mod Q).
    // The spectrum reuses the memory of the sums.
    int tore_lignes() const { return P_; }
    int tore_colonnes() const { return Q_; }
    std::size_t pas_ligne() const { return Qp_; }
    double* tore_sommes() const { return static_cast<double*>(sommes_.data()); }
    const double* tore_paires() const { return static_cast<const double*>(paires_.data()); }

private:
    std::size_t indice(int dy, int dx) const
    {
        return static_cast<std::size_t>(dy < 0 ? dy + P_ : dy) * Qp_ + static_cast<std::size_t>(dx < 0 ? dx + Q_ : dx);
    }
    int N_, M_, Ky_, Kx_, P_, Q_;
    std::size_t Qp_;
    bool plein_;
    ZeroedMemory sommes_, paires_;
};

// The normalised areal autocorrelation over a window of lags:
// R(dy, dx) = [somme/paires](dy, dx) / [somme/paires](0, 0), so R(0, 0) = 1.
struct Autocorrelation {
    int portee_lignes = 0;   // Ky: dy from -Ky to Ky
    int portee_colonnes = 0; // Kx: dx from -Kx to Kx
    double pas = 0.0;
    std::vector<double> valeurs; // (2Ky+1) x (2Kx+1), row-major, NaN where no pair

    std::size_t indice(int dy, int dx) const
    {
        return static_cast<std::size_t>(dy + portee_lignes) * (2 * portee_colonnes + 1) + (dx + portee_colonnes);
    }
    double operator()(int dy, int dx) const { return valeurs[indice(dy, dx)]; }
};

// The window |dy| <= portee_lignes, |dx| <= portee_colonnes (each at most the
// range of the sums). Without ranges: half the grid in each direction, where
// every lag keeps at least a quarter of the pairs of the lag 0.
Autocorrelation autocorrelation(const SommesDecalages& sommes, double pas, int portee_lignes, int portee_colonnes);
Autocorrelation autocorrelation(const SommesDecalages& sommes, double pas);

inline constexpr double seuil_autocorrelation = 0.2;

struct Longueurs {
    double Sal = 0.0;       // shortest decay length, in the unit of the step
    double Str = 0.0;       // Sal over the longest decay length, 0 to 1
    double angle_Sal = 0.0; // direction of the shortest decay, degrees in [0, 180)
    // When some direction does not fall within the window, Str is NaN and
    // this bounds it from above: Sal over the longest distance reached.
    double Str_majorant = 0.0;
};

// Sal and Str of an autocorrelation: along each of `directions` directions
// evenly spread over [0°, 180°) (the function is symmetric), the first
// distance at which R, interpolated bilinearly between lags, falls to
// `seuil` or below, found by steps of a quarter cell and linear interpolation
// between the last two. A direction that leaves the window (or meets a lag
// without pair) before falling has no decay length: Str is then NaN (the
// longest length is beyond the window), and Sal too when no direction falls.
// Angles are measured from the x axis (dx) towards the y axis (dy).
Longueurs longueurs_autocorrelation(const Autocorrelation& R, double seuil = seuil_autocorrelation,
                                    int directions = 360);

} // namespace rapport
