// Levelling the grid (taking away a reference surface) and the height
// parameters of the levelled surface over its real cells.
#pragma once

#include "tools/rapport/grille.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace rapport {

enum class Nivellement {
    plan_moyen, // the mean height (reliefstat's mean plane)
    plan,       // least-squares plane a + b x + c y
    polynome2,  // least-squares second-order polynomial surface
    // Each line of the grid its own reference (niveler_par_ligne): a least-
    // squares line or the mean, along the rows (i fixed) or the columns (j
    // fixed). On the manual road each position of the bar is a column.
    lignes,
    lignes_moyenne,
    colonnes,
    colonnes_moyenne,
};

inline constexpr std::array<Nivellement, 3> nivellements{Nivellement::plan_moyen, Nivellement::plan,
                                                         Nivellement::polynome2};
// Every levelling the report can be asked for: the three above and the line
// levellings, whose height parameters are given for the chosen one only.
inline constexpr std::array<Nivellement, 7> tous_nivellements{
    Nivellement::plan_moyen, Nivellement::plan,           Nivellement::polynome2,       Nivellement::lignes,
    Nivellement::lignes_moyenne, Nivellement::colonnes, Nivellement::colonnes_moyenne};

const char* nom(Nivellement n);
std::optional<Nivellement> nivellement_nomme(const std::string& nom);

// The heights minus the least-squares reference surface of the real cells
// (x along the columns, y along the rows, in units of the step); NaN stays NaN.
// Throws Erreur when the real cells can't determine the reference (fewer
// cells than coefficients, or all on one line).
std::vector<double> niveler(const Grille& grille, Nivellement n);
// The same on raw heights of a lignes x colonnes grid.
std::vector<double> niveler(const std::vector<double>& z, int lignes, int colonnes, Nivellement n);

// ISO 25178-2 height parameters about the reference (height 0).
struct Hauteurs {
    double Sq = 0, Sa = 0, Ssk = 0, Sku = 0, Sp = 0, Sv = 0, Sz = 0;
};

Hauteurs parametres_hauteur(const std::vector<double>& z);

} // namespace rapport
