// The height grid file grille.txt, as echantillonnage, handgrid and the
// generator write it and reliefstat and the report read it.
//
// A header "AxBxpas": A + 1 rows, B + 1 columns, the step between neighbouring
// cells. Then the heights, one per line, one column of the grid after
// another: the k-th height (from 0) of a grid of N rows is that of row k mod N,
// column k div N. A cell without a measurement holds the empty-cell marker.
// Two tests tell real cells from empty ones: the exact test (the height is not
// the marker) and the tolerance test (the height is more than 1 away from it).
#pragma once

#include "common/line_io.hpp"

#include <cmath>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace pipeline {

// A grid cell without a measurement holds this height.
inline constexpr double marqueur_vide = 10000.0;

// The exact test: the height is not the empty-cell marker.
inline bool reel_exact(double hauteur)
{
    return hauteur != marqueur_vide;
}

// The tolerance test: the height is more than 1 away from the marker (a height
// that is not a number is not real).
inline bool reel_tolerance(double hauteur)
{
    return std::fabs(hauteur - marqueur_vide) > 1.0;
}

struct EnTeteGrille {
    int pas_lignes = 0;   // A: the grid has A + 1 rows
    int pas_colonnes = 0; // B: the grid has B + 1 columns
    double pas = 0.0;     // step between neighbouring cells
};

enum class LectureEnTete {
    lu,
    illisible, // the line does not give two integers and a step
    negatif,   // a count of steps below 0
};

LectureEnTete lireEnTete(Reader& grille, EnTeteGrille& en_tete);

// "AxBxpas" and its line end, the step with "%lf", or as the text given.
void ecrireEnTete(Writer& grille, int pas_lignes, int pas_colonnes, double pas);
void ecrireEnTete(Writer& grille, int pas_lignes, int pas_colonnes, std::string_view pas);

// One height and its line end.
void ecrireHauteur(Writer& grille, double hauteur);

// The rank in the file of the height of a cell of a grid of N rows.
inline long long rangDeHauteur(long long ligne, long long colonne, int N)
{
    return colonne * N + ligne;
}

struct LectureHauteurs {
    long long lues = 0;     // heights read, all finite
    bool non_finie = false; // the reading stopped at a height that is not a finite number
    double valeur = 0.0;    // that height (nan, inf)
};

// Reads the heights of an N x M grid into `cases`, row-major (row i, column j
// at i * M + j), and stops at the first one that can't be read or is not a
// finite number. Heights after the first N x M are left unread.
LectureHauteurs lireHauteurs(Reader& grille, int N, int M, std::span<double> cases);

struct Surplus {
    long long hauteurs = 0;   // numbers after the heights read
    bool autre_chose = false; // then something that is not a number
};

// What the file holds after the heights: read to its end.
Surplus lireSurplus(Reader& grille);

// The line (from 1, the header's) of the k-th height (from 0) of a grid file:
// its words are the header, then the heights.
long long ligneDeHauteur(Reader& grille, long long k);

} // namespace pipeline
