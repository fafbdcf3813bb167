// Line-by-line levelling: each line of the grid gets its own reference, a
// mean or a least-squares line, for grids whose lines carry their own offset
// (on the manual road, each position of the bar).
#pragma once

#include <vector>

namespace rapport {

enum class SensLignes {
    lignes,   // each row (i fixed, j varies) gets its own reference
    colonnes, // each column (j fixed, i varies)
};

enum class ReferenceLigne {
    moyenne, // the mean height of the line's real cells
    droite,  // the least-squares line a + b·k through them (k the index along the line)
};

// The heights of a lignes x colonnes grid (row-major, NaN for an empty cell)
// minus the reference of each line, computed over that line's real cells;
// NaN stays NaN. A line whose real cells can't fix a straight line (one real
// cell) loses its mean instead; a line without real cells stays empty.
std::vector<double> niveler_par_ligne(const std::vector<double>& z, int lignes, int colonnes, SensLignes sens,
                                      ReferenceLigne reference);

} // namespace rapport
