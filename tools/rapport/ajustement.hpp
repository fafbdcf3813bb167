// Fitting the models H(r) = 2σ²(1 − exp(−r/L)) (exponential) and
// H(r) = 2σ²(1 − exp(−(r/L)²)) (Gaussian) to a correlation function by
// nonlinear least squares (GSL multifit_nlinear, trust region with
// Levenberg-Marquardt steps), each point weighted by its pair count.
#pragma once

#include "tools/rapport/correlation.hpp"
#include "tools/surface/surface.hpp"

#include <optional>
#include <string>
#include <vector>

namespace rapport {

using surface::Modele;

// The stop rule of the correlation (common/regle_arret.hpp), reliefstat's cut,
// on the pooled function: the leading entries before the first run of four
// strict decreases, stopped before the first entry without pairs, and never
// more than 50.
int rayon_max_observation(const Fonction& commune);
// The entries the rule reads at most: a cut at entry e gives e − 3, so past
// entry 53 the answer is 50 whatever follows.
inline constexpr int entrees_regle = 54;

// How many leading entries of a function are fitted.
struct Plage {
    int rayons = 0; // entries 0 .. rayons-1, separations 1 .. rayons
};

struct Points {
    std::vector<double> r, H, poids;
};

// The points of the first `plage.rayons` entries that have pairs, r = k·pas,
// weighted by their pair counts (or all by 1 when `ponderes` is false).
Points points_ajustement(const Fonction& f, Plage plage, double pas, bool ponderes = true);

struct Ajustement {
    double sigma = 0, L = 0;
    double erreur_sigma = 0, erreur_L = 0; // standard errors from the fit
    double residu = 0; // weighted RMS of H − model, in the unit of H
    int rayons = 0;    // points fitted
    // Where the least-squares optimum lies: 0 inside; -1 when the sum of
    // squares keeps falling as L shrinks (the points show no rise: L far below
    // the first radius); +1 when it keeps falling as L grows (no plateau: L far
    // beyond the last radius). At a bound, σ and L are those of the bound of
    // the search and mean nothing.
    int borne = 0;
    // With a free offset at the origin, the model is H(r) = 2σ²·g(r/L) + a:
    // `pepite` is a, H's limit as r goes to 0 (0 when it is not fitted).
    // Averaging the points of a capture disc lowers the variance of each node
    // but hardly the covariance between nodes: H loses a constant, a < 0.
    double pepite = 0;
    bool pepite_libre = false;
};

struct Depart {
    double sigma, L;
};

// The global optimum: for a given L the best σ² is linear, so the sum of
// squares is scanned over L (log-spaced, from a twentieth of the first radius
// to fifty times the last), refined by golden section, then polished by the
// solver from there (or from `depart`, whichever ends lower). With `pepite`,
// the offset at the origin is fitted too (linear, like σ²). Throws Erreur
// (French) when there are fewer than 3 points (4 with the offset) or the
// heights are not finite.
Ajustement ajuster(Modele modele, const Points& points, std::optional<Depart> depart = std::nullopt,
                   bool pepite = false);

} // namespace rapport
