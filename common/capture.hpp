// The capture rule of the photogrammetric road's resampling: a point of the
// cropped cloud (x, y in percent of the frame side) goes to its nearest node of
// a square lattice of nbr_pas steps, and counts only when it lies within the
// capture radius r (in steps) of that node. Each node's height is the mean of
// the heights it captured. echantillonnage applies the rule; the roughness
// report applies it again to measure what the mean takes from the surface.
#pragma once

#include <cmath>

namespace pipeline {

inline constexpr int nbr_pas_defaut = 200;
inline constexpr double rayon_capture_defaut = 0.2;

// The step of a lattice of nbr_pas steps across the frame, in percent of its side.
inline double pasGrille(int nbr_pas)
{
    return 100.0 / nbr_pas;
}

enum class Sort {
    capture,    // within the radius of its nearest node
    hors_rayon, // farther from its nearest node than the radius
    rejete,     // a coordinate not a number, or its nearest node off the lattice
};

struct Capture {
    Sort sort = Sort::rejete;
    int x_g = 0, y_g = 0; // the nearest node, first index along x
};

// pas = pasGrille(nbr_pas). The nearest node, a point halfway between two going to
// the higher one; the radius compared with squared distances, not strictly.
inline Capture capturer(double x, double y, double pas, int nbr_pas, double r)
{
    const double u = x / pas;
    const double v = y / pas;
    // Tested in double before any conversion: a coordinate not a number fails both tests.
    const double noeud_x = std::floor(u + 0.5);
    const double noeud_y = std::floor(v + 0.5);
    if (!(noeud_x >= 0.0 && noeud_x <= nbr_pas && noeud_y >= 0.0 && noeud_y <= nbr_pas))
        return {};
    Capture c;
    c.x_g = static_cast<int>(noeud_x);
    c.y_g = static_cast<int>(noeud_y);
    const double x_r = u - c.x_g;
    const double y_r = v - c.y_g;
    c.sort = r * r >= x_r * x_r + y_r * y_r ? Sort::capture : Sort::hors_rayon;
    return c;
}

} // namespace pipeline
