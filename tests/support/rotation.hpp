// Turning test points about the axes, to place generated clouds in space.
#pragma once

#include <array>
#include <cmath>

namespace program_test {

// p turned by the angle a (radians) about the axis of index i (right-handed).
inline std::array<double, 3> tourner(std::array<double, 3> p, int i, double a)
{
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    const double pj = p[j];
    p[j] = std::cos(a) * pj - std::sin(a) * p[k];
    p[k] = std::sin(a) * pj + std::cos(a) * p[k];
    return p;
}

} // namespace program_test
