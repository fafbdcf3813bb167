// Grids and plain sums shared by the tests of the texture parameters.
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

// The sums over the pairs of real cells at every lag, by the plain loop:
// entry (dy + N − 1, dx + M − 1) of (2N − 1) x (2M − 1).
struct SommesDirectes {
    int N, M;
    std::vector<double> somme, paires;
    std::size_t k(int dy, int dx) const { return static_cast<std::size_t>(dy + N - 1) * (2 * M - 1) + (dx + M - 1); }
};

inline SommesDirectes sommes_directes(const std::vector<double>& z, int N, int M)
{
    SommesDirectes s{N, M, std::vector<double>(static_cast<std::size_t>(2 * N - 1) * (2 * M - 1), 0.0), {}};
    s.paires = s.somme;
    for (int dy = -(N - 1); dy < N; ++dy)
        for (int dx = -(M - 1); dx < M; ++dx)
            for (int i = std::max(0, -dy); i < std::min(N, N - dy); ++i)
                for (int j = std::max(0, -dx); j < std::min(M, M - dx); ++j) {
                    const double a = z[static_cast<std::size_t>(i) * M + j];
                    const double b = z[static_cast<std::size_t>(i + dy) * M + j + dx];
                    if (!std::isnan(a) && !std::isnan(b)) {
                        s.somme[s.k(dy, dx)] += a * b;
                        s.paires[s.k(dy, dx)] += 1;
                    }
                }
    return s;
}

} // namespace
