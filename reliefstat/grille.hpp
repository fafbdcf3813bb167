// Reading the height grid grille.txt: a header "AxBxpas" counting steps, then
// the heights, one column of the grid after another.
#pragma once

#include "line_io.hpp"
#include "matrice.hpp"

namespace reliefstat {

struct EnTete {
    int pas_lignes = 0;   // A: the grid has A + 1 rows
    int pas_colonnes = 0; // B: the grid has B + 1 columns
    double pas = 0.0;     // step between neighbouring cells
};

enum class LectureEnTete {
    lu,
    illisible, // the line does not give two integers and a step
    negatif,   // a count of steps below 0
};

LectureEnTete lireEnTete(pipeline::Reader& grille, EnTete& en_tete);

// Reads the heights into GRILLE, the k-th height of the file (from 0) into row
// k mod N, column k div N, and stops at the first one that can't be read.
// Returns how many were read: N x M when the file holds them all. Heights after
// the first N x M are left unread.
long long lireHauteurs(pipeline::Reader& grille, Matrice& GRILLE);

} // namespace reliefstat
