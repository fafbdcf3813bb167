#include "tools/rapport/lignes.hpp"

#include <cmath>
#include <cstddef>

namespace rapport {

namespace {

// Levels the `n` cells of one line, `saut` apart in `z`, in place.
void niveler_ligne(double* z, int n, std::ptrdiff_t saut, ReferenceLigne reference)
{
    // Sums about the middle of the line keep the normal equations well
    // conditioned.
    const double milieu = 0.5 * (n - 1);
    double compte = 0, sx = 0, sz = 0;
    for (int k = 0; k < n; ++k) {
        const double h = z[k * saut];
        if (std::isnan(h))
            continue;
        compte += 1;
        sx += k - milieu;
        sz += h;
    }
    if (compte == 0)
        return;
    const double xm = sx / compte, zm = sz / compte;
    double pente = 0.0;
    if (reference == ReferenceLigne::droite) {
        double sxx = 0, sxz = 0;
        for (int k = 0; k < n; ++k) {
            const double h = z[k * saut];
            if (std::isnan(h))
                continue;
            const double x = k - milieu - xm;
            sxx += x * x;
            sxz += x * (h - zm);
        }
        if (sxx > 0)
            pente = sxz / sxx;
    }
    for (int k = 0; k < n; ++k)
        z[k * saut] -= zm + pente * (k - milieu - xm); // NaN stays NaN
}

} // namespace

std::vector<double> niveler_par_ligne(const std::vector<double>& z, int lignes, int colonnes, SensLignes sens,
                                      ReferenceLigne reference)
{
    std::vector<double> sortie(z);
    if (sens == SensLignes::lignes)
        for (int i = 0; i < lignes; ++i)
            niveler_ligne(sortie.data() + static_cast<std::size_t>(i) * colonnes, colonnes, 1, reference);
    else
        for (int j = 0; j < colonnes; ++j)
            niveler_ligne(sortie.data() + j, lignes, colonnes, reference);
    return sortie;
}

} // namespace rapport
