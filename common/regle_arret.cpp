#include "common/regle_arret.hpp"

#include <algorithm>
#include <cstddef>

namespace pipeline {

int regleArret(std::span<const double> Hr)
{
    int decroissant = 0;
    double ancienne_val = 0.0;
    for (std::size_t e = 0; e < Hr.size(); ++e) {
        if (ancienne_val > Hr[e])
            ++decroissant;
        else
            decroissant = 0;
        if (decroissant == 4)
            return static_cast<int>(e) - 3;
        ancienne_val = Hr[e];
    }
    return static_cast<int>(Hr.size());
}

int rayonMaxObservation(std::span<const double> Hr, std::span<const double> nombre)
{
    const auto sans_paire = std::find(nombre.begin(), nombre.end(), 0.0);
    const int avant_sans_paire = static_cast<int>(sans_paire - nombre.begin());
    return std::min({regleArret(Hr), avant_sans_paire, 50});
}

} // namespace pipeline
