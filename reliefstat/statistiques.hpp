// The mean plane and the RMS height of a grid.
//
// A cell holding the empty-cell marker 10000 has no measurement. Two tests tell
// real cells from empty ones: the exact test (the height is not 10000), used for
// the mean and its count, and the tolerance test (the height is more than 1 away
// from 10000), used for the centring, the RMS and the correlation function.
#pragma once

#include "reliefstat/matrice.hpp"
#include "common/pipeline_files.hpp"

#include <cmath>

namespace reliefstat {

inline bool reel_exact(double hauteur)
{
    return hauteur != pipeline::marqueur_vide;
}

inline bool reel_tolerance(double hauteur)
{
    return std::fabs(hauteur - pipeline::marqueur_vide) > 1.0;
}

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
