// σ and L of a levelled grid as the report measures them: the pooled
// correlation function, the fit range rule and the fit of one model, pooled and
// in each of the grid's two directions, each fit told resolved or not.
//
// The same function serves the measurement and each surface the bootstrap
// simulates, so that both go through exactly the same steps. It computes the
// correlation only up to the separations the range needs.
#pragma once

#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/correlation.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace rapport {

// Which pooled function is fitted.
enum class FonctionMesure {
    toutes_paires, // every pair of real cells, both directions (the default)
    reliefstat,    // reliefstat's pooled function
};

// Which rule sets the fit range.
enum class RegleMesure {
    longueurs,  // in terms of the fitted L (the default; see plage_longueurs)
    reliefstat, // reliefstat's cut (rayon_max_observation)
    rayons,     // the first `rayons` separations
};

struct ReglagesMesure {
    FonctionMesure fonction = FonctionMesure::toutes_paires;
    RegleMesure regle = RegleMesure::longueurs;
    int rayons = 0;        // with RegleMesure::rayons
    bool ponderes = true;  // points weighted by their pair counts
    int depart = 0;        // first range of the L rule (0: chosen from the grid)
    bool directions = true; // also fit each direction
    double longueurs = 0;   // c of the L rule; 0: the model's (below)
    bool pepite = false;    // fit the offset at the origin too (see Ajustement)
};

// The L rule: the range is c·L, c = 3 (exponential) or 2.5 (Gaussian), at
// least 8 separations, and never beyond the separations that keep a quarter of
// the pairs of separation 1. It starts from a range, fits, sets the range to
// c·L and fits again, until the range no longer changes (at most 12 fits).
inline constexpr double longueurs_exponentiel = 3.0, longueurs_gaussien = 2.5;
inline constexpr int rayons_minimum = 8;
inline constexpr double part_paires = 0.25;
inline constexpr int iterations_maximum = 12;
double longueurs_plage(Modele modele);
// The range the rule asks for a fit of length L (before the pairs' limit):
// c·L in separations, at least rayons_minimum.
int plage_longueurs(double L, double pas, const ReglagesMesure& r, Modele modele);

// A fit and whether it resolves L; `motif` (French) says why not.
struct AjustementMesure {
    std::optional<Ajustement> a; // absent when no fit could be made
    bool resolu = false;
    bool trop_court = false; // not resolved because L is too short for the step
    std::string motif;
    int rayons = 0; // the range's separations (entries), before skipping those without pairs
    double r_min = 0, r_max = 0; // first and last radius fitted
};

struct Estimation {
    AjustementMesure commune;
    // [0] pairs within a grid row (along the columns' index, x),
    // [1] pairs within a grid column (along the rows' index, y).
    AjustementMesure direction[2];
};

// The grid's extent: the distance its longer side spans.
inline double etendue(int lignes, int colonnes, double pas)
{
    return (std::max(lignes, colonnes) - 1) * pas;
}

// Where L̂ hardly follows L (L a sizeable part of the grid), the L whose
// median fit is L̂ can lie beyond the grid: such a correction measures
// nothing, and the fit is told not resolved, with this reason. What the grid
// still tells goes with it: L is at least L_bas, and σ at least its lower end
// for any L above L_bas (one-sided, 97.5 %).
bool correction_hors_grille(double L_corrige, int lignes, int colonnes, double pas);
std::string motif_correction_hors_grille(double L_corrige, double L_bas, double sigma_bas, int lignes, int colonnes,
                                         double pas);

// A fit whose L is too short for the step is bounded from above only: its
// reason then says how far (L_haut, and σ's upper end for any L below it).
std::string motif_trop_court(const std::string& motif, double L_haut, double sigma_haut);

// A figure in a sentence: four significant digits.
std::string nombre_court(double v);

// z: the levelled heights, lignes x colonnes row-major, NaN for an empty cell.
Estimation mesurer(const std::vector<double>& z, int lignes, int colonnes, double pas, const ReglagesMesure& r,
                   Modele modele);

// The same from correlation functions already computed (with every entry):
// what the report does, since it also prints them.
Estimation mesurer(const Correlation& c, int lignes, int colonnes, double pas, const ReglagesMesure& r, Modele modele);

// The separations of `f` that keep at least a quarter of its pairs at
// separation 1: the first k where fewer remain, minus one.
int rayons_paires(const Fonction& f);

} // namespace rapport
