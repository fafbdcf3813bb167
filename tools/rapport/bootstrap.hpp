// Parametric bootstrap of a fit: K surfaces of the fitted model (σ and L as
// fitted), on the same grid with the same empty cells, each levelled, cut and
// fitted as the measurement was; the spread of their σ and L gives the 95 %
// intervals.
//
// Interval: the basic bootstrap interval on the logarithm. With q₂.₅ and
// q₉₇.₅ the 2.5 % and 97.5 % quantiles of the K refitted values of a
// parameter θ whose measured value is θ̂, the interval is
// [θ̂² / q₉₇.₅, θ̂² / q₂.₅]: the ratio θ*/θ̂ in the simulations stands for
// the unknown ratio θ̂/θ, which takes the estimator's bias (levelling takes
// away long wavelengths, the cut shortens the range) into account.
#pragma once

#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/nivellement.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace rapport {

struct ReglagesBootstrap {
    int K = 200;
    std::uint64_t graine = 1;
    int fils = 2;
    Nivellement nivellement = Nivellement::plan;
    std::optional<int> rayons; // fixed fit range; otherwise the cut rule on each surface
    bool ponderes = true;
    bool progression = false; // a progress line on standard error
};

struct Intervalles {
    double sigma_bas = 0, sigma_haut = 0, L_bas = 0, L_haut = 0;
    int reussis = 0; // simulated surfaces whose fit converged
    int echecs = 0;
    bool exact = true; // surfaces of the model's covariance exactly
};

// `masque` gives the grid size, the step and the empty cells. `modele` and
// `mesure` are what the measurement gave. Throws Erreur when the surfaces
// can't be simulated or fewer than half of the fits converge.
Intervalles bootstrap(const Grille& masque, Modele modele, const Ajustement& mesure, const ReglagesBootstrap& r);

// Quantile of sorted values, linear between order statistics (p in [0, 1]).
double quantile(const std::vector<double>& tries, double p);

} // namespace rapport
