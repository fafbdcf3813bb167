// Grid files of known surfaces for the report's tests.
#pragma once

#include "tools/surface/surface.hpp"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

// A grid file in the layout of grille.txt, of a Gaussian surface (exponential
// covariance) with a tilt and some empty cells.
inline std::string fichier_grille(int N, int M, double pas, double sigma, double L, std::uint64_t graine, double vides,
                           double pente = 0.0)
{
    const surface::Plongement p(N, M, pas, surface::Modele::exponentiel, sigma, L);
    surface::Buffer<surface::Complexe> travail;
    std::vector<double> a(static_cast<std::size_t>(N) * M), b(a.size());
    p.tirer(graine, a, b, travail);
    std::mt19937_64 alea(graine);
    std::string texte;
    char ligne[64];
    std::snprintf(ligne, sizeof ligne, "%dx%dx%f\n", N - 1, M - 1, pas);
    texte += ligne;
    for (int j = 0; j < M; ++j)
        for (int i = 0; i < N; ++i) {
            const bool vide = static_cast<double>(alea() >> 11) * 0x1.0p-53 < vides;
            std::snprintf(ligne, sizeof ligne, "%f\n", vide ? 10000.0 : 3.0 + a[i * M + j] + pente * (i + 0.5 * j));
            texte += ligne;
        }
    return texte;
}

} // namespace
