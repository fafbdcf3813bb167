// Height-height correlation function H(k) of a levelled grid: the mean of the
// squared height difference over the pairs of real cells k cells apart.
//
// Three functions are kept, each as sums of squared differences and pair
// counts, entry k-1 for the separation of k cells:
// - `lignes`: pairs in the same row (i, a) and (i, a+k), k = 1 .. M-1;
// - `colonnes`: pairs in the same column (i, a) and (i+k, a), k = 1 .. N-1;
// - `toutes`: every pair of real cells in both directions, max(N, M) - 1
//   entries: `lignes` + `colonnes`, sums and counts. The same surface stored
//   transposed gives the same function.
// - `commune`: reliefstat's pooled function, N-1 entries: row pairs for
//   k <= N-2 (and k < M) plus column pairs whose lower cell is not in the last
//   row, so that the last entry never has a pair.
// Two ways compute them: `correlation_directe`, the plain double loop (the
// reference, about N·M·(N+M) steps), and `correlation_fft`, exact pair counts
// and sums from FFT cross-correlations of the masks and heights, row by row
// (N·M·log M).
#pragma once

#include <cstddef>
#include <vector>

namespace rapport {

struct Fonction {
    std::vector<double> somme;  // sum of squared differences, by separation
    std::vector<double> paires; // number of pairs, by separation

    std::size_t taille() const { return somme.size(); }
    // H at entry e (separation e+1), NaN without pairs.
    double H(std::size_t e) const;
    std::vector<double> valeurs() const;
};

struct Correlation {
    Fonction commune, lignes, colonnes, toutes;
};

// Adds `decalage` to H at every separation of `toutes`, `lignes` and
// `colonnes` (reliefstat's `commune` is left as it is).
void relever(Correlation& c, double decalage);

// Entry-wise sum of two functions (the longer one's length).
Fonction somme_fonctions(const Fonction& a, const Fonction& b);

// z: lignes x colonnes row-major, NaN for an empty cell.
Correlation correlation_directe(const std::vector<double>& z, int lignes, int colonnes);
Correlation correlation_fft(const std::vector<double>& z, int lignes, int colonnes);
// The directional functions (and `toutes`) up to separation kmax only; `commune`
// is left empty. An FFT padded by kmax only.
Correlation correlation_directions_fft(const std::vector<double>& z, int lignes, int colonnes, int kmax);

// Only the pooled function, and only its first `kmax` entries (fewer when the
// grid has fewer): what the fit range rule and a fit of at most kmax radii
// read. The bootstrap uses it with kmax = entrees_regle.
Fonction correlation_commune_fft(const std::vector<double>& z, int lignes, int colonnes, int kmax);

} // namespace rapport
