// The height-height correlation function of the centred grid and the radii of
// its entries (the entries worth fitting: common/regle_arret.hpp).
//
// Entry e of the vectors (e from 0 to N-2) belongs to the separation of e + 1
// cells. A pair is two real cells (tolerance test on the centred heights) that
// many cells apart along a row, the neighbour in any column, or down a column,
// the neighbour in a row below N-1; each pair is taken once, from the cell of
// lower index. Separations run from 1 to N-2, also when M differs from N, so
// the last entry never has a pair.
#pragma once

#include "reliefstat/matrice.hpp"

#include <span>

namespace reliefstat {

// Adds to vecr[r-1] the squared height difference of every pair r cells apart,
// and to nombre_delta_z_par_rayon[r-1] one for each pair. Every entry of vecr
// gets its terms cell after cell, rows outer and columns inner, each cell's
// terms first summed from 0.0 (the pair along the row, then the one down the
// column): the sums are those of that order, to the last bit. Both vectors hold
// N-1 entries (none for a grid of one row).
void accumulerCorrelation(const Matrice& GRILLE_CENTREE, std::span<double> vecr,
                          std::span<double> nombre_delta_z_par_rayon);

// The same sums by the plain loop, as the accumulation is written: cell after
// cell, rows outer and columns inner, each cell's terms summed from 0.0 for
// every separation, then added to vecr. The reference of the fast sums above,
// which must give its bytes; the build RUGOSITE_PLAIN_CORRELATION uses it alone.
void accumulerCorrelationSimple(const Matrice& GRILLE_CENTREE, std::span<double> vecr,
                                std::span<double> nombre_delta_z_par_rayon);

// Hr[e] = vecr[e] / nombre[e] for every entry: not a number where there is no pair.
void fonctionCorrelation(std::span<const double> vecr, std::span<const double> nombre, std::span<double> Hr);

// r3D[e] = (e + 1) x pas.
void rayons(double pas, std::span<double> r3D);

} // namespace reliefstat
