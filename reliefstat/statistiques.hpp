// The mean plane and the RMS height of a grid.
//
// Of the two tests of a real cell (common/grid.hpp), the exact test serves the
// mean and its count, the tolerance test the centring, the RMS and the
// correlation function.
#pragma once

#include "reliefstat/matrice.hpp"
#include "common/grid.hpp"

#include <cmath>

namespace reliefstat {

using pipeline::reel_exact;     // the exact test
using pipeline::reel_tolerance; // the tolerance test

// The sum of the heights of the real cells (exact test), rows outer, columns
// inner, and their count.
struct SommeReelle {
    double somme = 0.0;
    long long nbr_point_reel = 0;
};
SommeReelle sommer_points_reels(const Matrice& GRILLE);

// GRILLE_CENTREE: each height minus moy where it passes the tolerance test,
// exactly 10000 elsewhere.
void centrer(const Matrice& GRILLE, double moy, Matrice& GRILLE_CENTREE);

// The square root of the sum of the squared centred heights of the cells that
// pass the tolerance test, divided by nbr_point_reel (the count of the exact test).
double ecart_quadratique(const Matrice& GRILLE, const Matrice& GRILLE_CENTREE, long long nbr_point_reel);

} // namespace reliefstat
