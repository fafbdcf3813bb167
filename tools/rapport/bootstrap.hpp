// Parametric bootstrap of a fit: surfaces of the fitted model on the same grid
// with the same empty cells, each levelled and measured as the measurement
// was. It measures how the estimator behaves as a function of the true L, and
// inverts that behaviour: the bias-corrected σ and L, and calibrated 95 %
// intervals.
//
// The model is linear in σ, so the distribution of (σ̂/σ, L̂) depends on the
// true L only (and on the grid, the step, the empty cells and the settings).
// Sets of surfaces are drawn with the same seeds (common random numbers): 40 %
// of K at L = L̂, then 15 % at each end of the interval an L-independent shift
// would give, 15 % at the corrected L, and 15 % at the upper end when it falls
// beyond the others. Each set gives its median and its spreads below and
// above (to the 16 % and 84 % quantiles), with the same seeds at L̂ as
// control variates; the shape of the tails is pooled over the sets; all is
// interpolated linearly in log L between the sets, the spreads held flat
// beyond them. With g_p(L)
// the p quantile of L̂ when the truth is L:
// - the corrected L solves g_0.5(L) = L̂ (median-unbiased), and the interval
//   is [L_bas, L_haut] with g_0.975(L_bas) = L̂ and g_0.025(L_haut) = L̂ (test
//   inversion: each end is the L that puts L̂ at 2.5 % in its tail);
// - σ is corrected by the median of σ̂/σ at the corrected L; its ends are σ̂
//   over the 97.5 % and 2.5 % quantiles of σ̂/σ, read at an L moved towards
//   the same end of L's interval by the correlation of log σ̂ and log L̂.
// The median and spreads at L̂ come from a few tens of draws: the reach of
// each tail is stretched by half their Monte-Carlo error, measured by
// resampling those draws (the tails' shape, standardised by the same median
// and spreads, absorbs the rest), so that an end misses the truth no more
// often for it.
#pragma once

#include "tools/rapport/ajustement.hpp"
#include "tools/rapport/grille.hpp"
#include "tools/rapport/mesure.hpp"
#include "tools/rapport/nivellement.hpp"
#include "tools/rapport/texture.hpp"

#include <array>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace rapport {

struct ReglagesBootstrap {
    int K = 100; // surfaces at most (all at L̂ below 40)
    std::uint64_t graine = 1;
    int fils = 2;
    Nivellement nivellement = Nivellement::plan;
    ReglagesMesure mesure; // how the measurement was measured (`depart`: its range)
    bool directions = false; // also each direction's L, for the anisotropy's interval
    double anisotropie = std::nan(""); // the measured ratio of the directions' L
    // The measured Sal, Str, Sdq and Sdr, when their intervals are wanted: each
    // surface drawn at the measured L also gives its own.
    std::optional<ParametresTirage> texture;
    bool progression = false; // progress on standard error
    // The simulated surfaces' covariance may differ from the model's by this
    // much (times σ²) at the far ends of the grid: a torus that small is
    // far cheaper than the exact one on grids much longer than L.
    double tolerance = 1e-4;
};

struct Intervalles {
    double sigma_bas = 0, sigma_haut = 0, L_bas = 0, L_haut = 0;
    double sigma_corrige = 0, L_corrige = 0; // median-unbiased σ and L
    // σ's lower end whatever L above L_bas: what bounds σ from below when the
    // grid does not bound L from above.
    double sigma_au_moins = 0;
    // σ's upper end whatever L below L_haut: what bounds σ from above when
    // the grid does not bound L from below.
    double sigma_au_plus = 0;
    // Standard deviations of the corrected estimators, from the draws.
    double ecart_sigma = 0, ecart_L = 0;
    int reussis = 0; // simulated surfaces whose fit converged
    int echecs = 0;
    // The ratio of the two directions' L (along x over along y): its 95 %
    // interval, NaN when the directions were not fitted.
    double anisotropie_bas = std::nan(""), anisotropie_haut = std::nan("");
    // 95 % intervals of Sal, Str, Sdq and Sdr, in that order: the measured
    // value times the median of the draws' values over their 97.5 % and 2.5 %
    // quantiles (their ratio to their median stands for that of the measured
    // value to the surface's own); NaN without.
    std::array<std::array<double, 2>, 4> texture{{{std::nan(""), std::nan("")},
                                                  {std::nan(""), std::nan("")},
                                                  {std::nan(""), std::nan("")},
                                                  {std::nan(""), std::nan("")}}};
    bool exact = true;              // surfaces of the model's covariance exactly
    double erreur_covariance = 0.0; // otherwise at most this much, over σ²
};

// `masque` gives the grid size, the step and the empty cells. `modele` and
// `mesure` are what the measurement gave. Throws Erreur when the surfaces
// can't be simulated or fewer than half of the fits converge.
Intervalles bootstrap(const Grille& masque, Modele modele, const Ajustement& mesure, const ReglagesBootstrap& r);

// What the draws of a fit give (a fit resolved, or too short for the step):
// its intervals; the lower ends alone, when its corrected L lies beyond the
// grid's extent (not resolved); the upper ends alone, when L is shorter than
// a step and a half.
enum class Bornes { intervalle, basses, hautes };
Bornes bornes(const AjustementMesure& m, const Intervalles& iv, int lignes, int colonnes, double pas);

// The directional functions and `toutes` up to separation kmax, by direct
// sums: for the few separations a fit range reaches on a long grid, cheaper
// than transforms of whole rows.
Correlation correlation_courte(const std::vector<double>& z, int lignes, int colonnes, int kmax);

// σ, L and the L of each direction (NaN without) of one simulated levelled
// surface of true length L, measured as the measurement is (the same function,
// range rule and fits); nullopt when the pooled fit fails.
struct Simulee {
    double sigma, L;
    double L_direction[2];
};
std::optional<Simulee> mesurer_simulee(const std::vector<double>& nivelee, int lignes, int colonnes, double pas,
                                       Modele modele, double L, const ReglagesBootstrap& r);

// Quantile of sorted values, linear between order statistics (p in [0, 1]).
double quantile(const std::vector<double>& tries, double p);

// The p quantile of a sample for a tail: the order statistic of rank
// p (n + 1), which falls short of probability p on average by nothing, where
// the linear rule above leaves about (1 − 2p)/n more in each tail.
double quantile_queue(const std::vector<double>& tries, double p);

// Least-squares line y = a + b x through the pairs where both are finite;
// a = mean(y) − mean(x), b = 1 when fewer than 3 pairs or x does not vary.
struct Droite {
    double a = 0, b = 1;
};
Droite droite(const std::vector<double>& x, const std::vector<double>& y);

// The x in [x0, x1] where the increasing function f crosses 0, by bisection;
// x0 or x1 when f does not change sign (the nearer end to the crossing).
template <class F>
double racine(F f, double x0, double x1)
{
    double f0 = f(x0);
    if (f0 >= 0)
        return x0;
    if (f(x1) <= 0)
        return x1;
    for (int i = 0; i < 100 && x1 - x0 > 1e-12; ++i) {
        const double m = 0.5 * (x0 + x1);
        if (f(m) < 0)
            x0 = m;
        else
            x1 = m;
    }
    return 0.5 * (x0 + x1);
}

} // namespace rapport
