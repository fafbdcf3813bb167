// The height grid as the report reads it: the grid file of either road
// (common/grid.hpp: its header, the order of its heights, the empty-cell
// marker), heights separated by blanks or line ends as reliefstat reads them,
// each a whole word. A cell that fails the tolerance test of a real cell is
// empty: NaN in memory.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace rapport {

// A failure of the report, with its French message for the user.
class Erreur : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Grille {
    int lignes = 0;   // N: the first count of the header plus 1
    int colonnes = 0; // M: the second count plus 1
    double pas = 0.0;
    std::vector<double> z; // lignes x colonnes, row-major, NaN for an empty cell
    long long hauteurs_en_trop = 0; // words after the heights the header announces

    double& at(int i, int j) { return z[static_cast<std::size_t>(i) * colonnes + j]; }
    double at(int i, int j) const { return z[static_cast<std::size_t>(i) * colonnes + j]; }
    long long cellules() const { return static_cast<long long>(lignes) * colonnes; }
    long long cellules_reelles() const;
};

// Reads a grid file. Throws Erreur (French message naming the file) when the
// file can't be opened, the header gives no counts or step, a count is
// negative, the step is not positive, a height is not a number (the word and
// its line are named) or not a finite one (nan, inf, 1e400: its line is
// named), or the file holds fewer heights than the header announces. What
// follows the announced heights is ignored, as reliefstat ignores it, and
// counted in hauteurs_en_trop.
Grille lire_grille(const std::string& fichier);

// The warning about the words after the announced heights, or "" when the
// file holds none.
std::string avertissement_en_trop(const Grille& grille, const std::string& fichier);

// The checks that the analysis needs on top of a readable file: at least two
// rows and two columns, at least one real cell, not all heights equal.
void verifier_grille(const Grille& grille, const std::string& fichier);

// Cells counted for the share of empty cells, and the empty ones among them.
struct CellulesVides {
    long long comptees = 0;
    long long vides = 0;
};

// On the photogrammetric road (dans_le_cadre), only the nodes of the frame's
// crop count (common/repere.hpp: x and y both strictly between 2 and 98, as in
// the chain's summary): node (i, j) stands at x = j·pas, y = i·pas, in % of
// the frame side. Otherwise every cell counts.
CellulesVides cellules_vides(const Grille& grille, bool dans_le_cadre);

} // namespace rapport
