// Reading the height grid grille.txt: a header "AxBxpas" counting steps, then
// the heights, one column of the grid after another.
#pragma once

#include "common/line_io.hpp"
#include "reliefstat/matrice.hpp"

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

struct LectureHauteurs {
    long long lues = 0;      // heights read, all finite
    bool non_finie = false;  // the reading stopped at a height that is not a finite number
    double valeur = 0.0;     // that height (nan, inf)
};

// Reads the heights into GRILLE, the k-th height of the file (from 0) into row
// k mod N, column k div N, and stops at the first one that can't be read or is
// not a finite number. N x M are read when the file holds them all; heights
// after the first N x M are left unread.
LectureHauteurs lireHauteurs(pipeline::Reader& grille, Matrice& GRILLE);

struct Surplus {
    long long hauteurs = 0;   // numbers after the heights read
    bool autre_chose = false; // then something that is not a number
};

// What the file holds after the heights: read to its end.
Surplus lireSurplus(pipeline::Reader& grille);

// The line (from 1, the header's) of the k-th height (from 0) of a grid file:
// its words are the header, then the heights.
long long ligneDeHauteur(pipeline::Reader& grille, long long k);

} // namespace reliefstat
