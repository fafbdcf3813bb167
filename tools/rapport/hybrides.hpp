// The hybrid parameters of a levelled grid over its real cells: the
// root-mean-square gradient Sdq and the developed interfacial area ratio Sdr.
#pragma once

#include <vector>

namespace rapport {

struct Hybrides {
    // Root-mean-square slope along the rows (x) and along the columns (y):
    // the forward differences of neighbouring real cells, divided by the step,
    // squared and averaged over their pairs. Sdq = √(Sdq_x² + Sdq_y²).
    // Dimensionless (height over length); NaN without a pair.
    double Sdq = 0.0, Sdq_x = 0.0, Sdq_y = 0.0;
    // (developed area − projected area) / projected area, over the squares of
    // four real neighbouring cells; each square's surface is four triangles
    // meeting at its centre, at the mean height of its corners. A fraction
    // (0.01 is 1 %); NaN without such a square.
    double Sdr = 0.0;
    long long paires_x = 0, paires_y = 0, carres = 0;
};

// z: lignes x colonnes, row-major, NaN for an empty cell; heights and step in
// one unit.
Hybrides parametres_hybrides(const std::vector<double>& z, int lignes, int colonnes, double pas);

} // namespace rapport
