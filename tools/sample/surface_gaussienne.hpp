// A Gaussian height field of RMS height s whose correlation decays as
// exp(-d / L) along the rows and along the columns: the height-height
// correlation function of such a surface is H(r) = 2 s^2 (1 - exp(-r / L)).
//
// The field is the product of two first-order autoregressions, one per
// direction, with phi = exp(-pas / L): z(i,j) = phi z(i-1,j) + phi z(i,j-1)
// - phi^2 z(i-1,j-1) + s (1 - phi^2) e(i,j), its first row and first column
// ordinary one-dimensional autoregressions started in their stationary law.
// The covariance of z(i,j) and z(i+di,j+dj) is then s^2 phi^|di| phi^|dj|
// everywhere on the grid. The random numbers come from std::mt19937_64 through
// a Box-Muller transform written here, so a seed gives the same grid everywhere.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace echantillon {

class Normale {
public:
    explicit Normale(std::uint64_t graine) : alea_(graine) {}
    double operator()()
    {
        if (reserve_) {
            reserve_ = false;
            return suivante_;
        }
        // u in (0, 1]: the logarithm never sees 0.
        const double u = (static_cast<double>(alea_() >> 11) + 1.0) * 0x1p-53;
        const double v = static_cast<double>(alea_() >> 11) * 0x1p-53;
        const double rayon = std::sqrt(-2.0 * std::log(u));
        suivante_ = rayon * std::sin(2.0 * std::numbers::pi * v);
        reserve_ = true;
        return rayon * std::cos(2.0 * std::numbers::pi * v);
    }

private:
    std::mt19937_64 alea_;
    bool reserve_ = false;
    double suivante_ = 0.0;
};

// N rows of M heights, row after row: element (i, j) at i * M + j.
inline std::vector<double> surface_gaussienne(int N, int M, double pas, double s, double L, std::uint64_t graine)
{
    const double phi = std::exp(-pas / L);
    const double bord = s * std::sqrt(1.0 - phi * phi);
    const double interieur = s * (1.0 - phi * phi);
    Normale e(graine);
    std::vector<double> z(static_cast<std::size_t>(N) * M);
    auto at = [&](int i, int j) -> double& { return z[static_cast<std::size_t>(i) * M + j]; };
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < M; ++j) {
            if (i == 0 && j == 0)
                at(i, j) = s * e();
            else if (i == 0)
                at(i, j) = phi * at(i, j - 1) + bord * e();
            else if (j == 0)
                at(i, j) = phi * at(i - 1, j) + bord * e();
            else
                at(i, j) = phi * at(i - 1, j) + phi * at(i, j - 1) - phi * phi * at(i - 1, j - 1) + interieur * e();
        }
    return z;
}

} // namespace echantillon
