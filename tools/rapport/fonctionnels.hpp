// The areal material ratio curve (Abbott–Firestone) of a levelled grid over
// its real cells, and the functional parameters read from it.
//
// Every real cell stands for the same area. The material ratio at height c
// is the share of real cells at height c or above; the curve is the heights
// sorted from the highest, the cell of rank i (from 0) covering the ratios
// [i/n, (i+1)/n). Heights, and volumes per unit area, are in the unit of the
// heights; ratios are fractions (0.1 is 10 %).
#pragma once

#include <cstddef>
#include <vector>

namespace rapport {

class CourbePortance {
public:
    // z: the heights, NaN for an empty cell (ignored).
    explicit CourbePortance(const std::vector<double>& z);

    std::size_t cellules() const { return h_.size(); }
    // The heights of the real cells, from the highest.
    const std::vector<double>& hauteurs() const { return h_; }

    // Smr(c): the share of cells at height c or above.
    double taux(double c) const;
    // Smc(p): the height at material ratio p, the highest c with Smr(c) >= p
    // (the height of the cell of rank ⌈p·n⌉ − 1); the highest height for p = 0.
    double hauteur(double p) const;
    // Vm(p): the volume of material above the height Smc(p), per unit area.
    double volume_matiere(double p) const;
    // Vv(p): the volume of void below the height Smc(p), per unit area.
    double volume_vide(double p) const;
    // The curve sampled at `points` ratios evenly spread from 0 to 1.
    std::vector<double> echantillons(int points) const;

private:
    std::vector<double> h_;
};

struct Fonctionnels {
    double Smr = 0.0;  // Smr(c) at c = hauteur_Smr
    double Smc = 0.0;  // Smc(p) at p = taux_Smc
    // The core (ISO 13565-2 method on the areal curve): the secant through two
    // points of the curve 40 % apart in ratio with the smallest fall; Sk the
    // fall of that line from ratio 0 to ratio 1; Smr1, Smr2 the ratios where
    // the curve crosses its heights at 0 and 1; Spk, Svk the heights of the
    // triangles of the same area as the peaks above and the dales below.
    double Sk = 0.0, Spk = 0.0, Svk = 0.0, Smr1 = 0.0, Smr2 = 0.0;
    // Volumes per unit area at p = 10 % and q = 80 %: Vmp = Vm(p),
    // Vmc = Vm(q) − Vm(p), Vvc = Vv(p) − Vv(q), Vvv = Vv(q).
    double Vmp = 0.0, Vmc = 0.0, Vvc = 0.0, Vvv = 0.0;
};

inline constexpr double hauteur_Smr = 0.0; // the reference surface of the levelling
inline constexpr double taux_Smc = 0.1;
inline constexpr double taux_p = 0.1, taux_q = 0.8;
inline constexpr double largeur_secante = 0.4;

// NaN throughout without at least two real cells.
Fonctionnels parametres_fonctionnels(const CourbePortance& courbe);

} // namespace rapport
