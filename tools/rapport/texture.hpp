// All the surface-texture parameters of one levelled grid: spatial (Sal,
// Str, Std), hybrid (Sdq, Sdr) and functional (the material ratio curve and
// its parameters), with the areal autocorrelation and the spectrum they come
// from; and the few of them worth an interval, cheaply enough to compute on
// every simulated surface of the bootstrap.
#pragma once

#include "tools/rapport/espace.hpp"
#include "tools/rapport/fonctionnels.hpp"
#include "tools/rapport/hybrides.hpp"
#include "tools/rapport/puissance.hpp"

#include <vector>

namespace rapport {

struct ParametresEspace {
    double Sal = 0.0, Str = 0.0, Std = 0.0;
};

inline constexpr int points_courbe_portance = 101;

struct Texture {
    ParametresEspace espace;
    Hybrides hybrides;
    Fonctionnels fonctionnels;
    Autocorrelation autocorrelation; // over half the grid in each direction
    Spectre spectre;
    std::vector<double> courbe_portance; // heights at ratios 0, 1 %, ..., 100 %
};

// z: the levelled heights, lignes x colonnes row-major, NaN for an empty
// cell; `pas` the step, in the unit of the heights.
Texture texture(const std::vector<double>& z, int lignes, int colonnes, double pas);

struct ParametresTirage {
    double Sal = 0.0, Str = 0.0, Sdq = 0.0, Sdr = 0.0;
};

// Sal, Str, Sdq and Sdr of one surface, as texture() gives them. With a
// `portee`, the autocorrelation is read over lags up to that many cells only
// (a smaller torus, for the bootstrap's draws): Sal and Str are the same as
// long as the decay lengths stay within it, and Str is NaN otherwise.
ParametresTirage parametres_tirage(const std::vector<double>& z, int lignes, int colonnes, double pas,
                                   int portee = -1);

} // namespace rapport
