#include "tools/rapport/fonctionnels.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace rapport {

// The heights are sorted by buckets: one pass counts how many fall in each
// of about n/1024 equal slices of the height range, a second puts them in
// their slice (highest slice first), then each slice is sorted on its own,
// in cache. About twice as fast as one sort of millions of heights; a
// distribution crowded into one slice only comes back to that one sort.
CourbePortance::CourbePortance(const std::vector<double>& z)
{
    double haut = -HUGE_VAL, bas = HUGE_VAL;
    std::size_t n = 0;
    for (double v : z)
        if (!std::isnan(v)) {
            haut = std::max(haut, v);
            bas = std::min(bas, v);
            ++n;
        }
    h_.resize(n);
    if (n == 0)
        return;
    const std::size_t seaux = std::clamp<std::size_t>(n / 1024, 1, std::size_t{1} << 16);
    const double echelle = haut > bas ? static_cast<double>(seaux) / (haut - bas) : 0.0;
    auto seau = [&](double v) {
        return std::min(seaux - 1, static_cast<std::size_t>((haut - v) * echelle));
    };
    std::vector<std::size_t> debut(seaux + 1, 0);
    for (double v : z)
        if (!std::isnan(v))
            ++debut[seau(v) + 1];
    for (std::size_t k = 0; k < seaux; ++k)
        debut[k + 1] += debut[k];
    std::vector<std::size_t> suivant(debut.begin(), debut.end() - 1);
    for (double v : z)
        if (!std::isnan(v))
            h_[suivant[seau(v)]++] = v;
    for (std::size_t k = 0; k < seaux; ++k)
        std::sort(h_.begin() + static_cast<std::ptrdiff_t>(debut[k]),
                  h_.begin() + static_cast<std::ptrdiff_t>(debut[k + 1]), std::greater<>());
}

double CourbePortance::taux(double c) const
{
    if (h_.empty())
        return std::numeric_limits<double>::quiet_NaN();
    // Heights from the highest: the first below c ends the count.
    const auto fin = std::partition_point(h_.begin(), h_.end(), [c](double v) { return v >= c; });
    return static_cast<double>(fin - h_.begin()) / static_cast<double>(h_.size());
}

double CourbePortance::hauteur(double p) const
{
    if (h_.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const double n = static_cast<double>(h_.size());
    // Rank ⌈p·n⌉ − 1, kept within the curve; a product like 0.1 × 10 that
    // lands a hair above an integer still counts as that integer.
    const double rang = std::ceil(p * n * (1 - 4 * std::numeric_limits<double>::epsilon())) - 1;
    return h_[static_cast<std::size_t>(std::clamp(rang, 0.0, n - 1))];
}

double CourbePortance::volume_matiere(double p) const
{
    const double c = hauteur(p);
    double v = 0;
    for (double h : h_) {
        if (h <= c)
            break;
        v += h - c;
    }
    return h_.empty() ? c : v / static_cast<double>(h_.size());
}

double CourbePortance::volume_vide(double p) const
{
    const double c = hauteur(p);
    double v = 0;
    for (auto it = h_.rbegin(); it != h_.rend() && *it < c; ++it)
        v += c - *it;
    return h_.empty() ? c : v / static_cast<double>(h_.size());
}

std::vector<double> CourbePortance::echantillons(int points) const
{
    std::vector<double> e;
    for (int k = 0; k < points; ++k)
        e.push_back(hauteur(points > 1 ? static_cast<double>(k) / (points - 1) : 0.0));
    return e;
}

Fonctionnels parametres_fonctionnels(const CourbePortance& courbe)
{
    const std::vector<double>& h = courbe.hauteurs();
    const std::size_t n = h.size();
    Fonctionnels f;
    if (n < 2) {
        const double NaN = std::numeric_limits<double>::quiet_NaN();
        return Fonctionnels{NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN, NaN};
    }
    const double dn = static_cast<double>(n);
    f.Smr = courbe.taux(hauteur_Smr);
    f.Smc = courbe.hauteur(taux_Smc);

    // The secant: cells of rank i and i + w, at ratios (i + ½)/n and
    // (i + w + ½)/n, w the whole number of cells nearest to 40 %.
    const std::size_t w = std::clamp<std::size_t>(static_cast<std::size_t>(std::lround(largeur_secante * dn)), 1, n - 1);
    std::size_t debut = 0;
    for (std::size_t i = 1; i + w < n; ++i)
        if (h[i] - h[i + w] < h[debut] - h[debut + w])
            debut = i;
    const double pente = (h[debut + w] - h[debut]) / (static_cast<double>(w) / dn);
    const double haut = h[debut] - pente * ((static_cast<double>(debut) + 0.5) / dn);
    const double bas = haut + pente;
    f.Sk = haut - bas;
    f.Smr1 = courbe.taux(haut);
    f.Smr2 = courbe.taux(bas);
    double pics = 0, creux = 0;
    for (double v : h) {
        pics += std::max(v - haut, 0.0);
        creux += std::max(bas - v, 0.0);
    }
    pics /= dn;
    creux /= dn;
    f.Spk = f.Smr1 > 0 ? 2 * pics / f.Smr1 : 0.0;
    f.Svk = f.Smr2 < 1 ? 2 * creux / (1 - f.Smr2) : 0.0;

    const double Vm_p = courbe.volume_matiere(taux_p), Vm_q = courbe.volume_matiere(taux_q);
    const double Vv_p = courbe.volume_vide(taux_p), Vv_q = courbe.volume_vide(taux_q);
    f.Vmp = Vm_p;
    f.Vmc = Vm_q - Vm_p;
    f.Vvc = Vv_p - Vv_q;
    f.Vvv = Vv_q;
    return f;
}

} // namespace rapport
