// Grids shared by the tests of the texture parameters.
#pragma once

#include "tools/surface/surface.hpp"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// A Gaussian surface of exponential covariance (σ = 1, length L cells),
// about `vides` of its cells empty, heights less their mean over the real
// cells. Row-major, NaN for an empty cell.
inline std::vector<double> surface_essai(int N, int M, double L, std::uint64_t graine, double vides = 0.0)
{
    const surface::Plongement p(N, M, 1.0, surface::Modele::exponentiel, 1.0, L);
    surface::Buffer<surface::Complexe> travail;
    std::vector<double> z(static_cast<std::size_t>(N) * M), autre(z.size());
    p.tirer(graine, z, autre, travail);
    std::mt19937_64 alea(graine);
    double somme = 0, compte = 0;
    for (double& h : z) {
        if (static_cast<double>(alea() >> 11) * 0x1.0p-53 < vides)
            h = std::nan("");
        else {
            somme += h;
            compte += 1;
        }
    }
    for (double& h : z)
        h -= somme / compte;
    return z;
}

// The M x N grid of the same cells (row-major both).
inline std::vector<double> transposee(const std::vector<double>& z, int N, int M)
{
    std::vector<double> t(z.size());
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j)
            t[static_cast<std::size_t>(j) * N + i] = z[static_cast<std::size_t>(i) * M + j];
    return t;
}

} // namespace
