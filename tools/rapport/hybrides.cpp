#include "tools/rapport/hybrides.hpp"

#include <cmath>
#include <cstddef>

namespace rapport {

namespace {

// The area of a triangle over the half-square between two corners a and b
// (heights about the square's centre) and the centre, minus its projected
// area, in units of pas²/4: √(1 + 2(a² + b²)/pas²) − 1, written so that small
// slopes keep their digits.
double excedent(double a, double b, double pas2)
{
    const double u = 2.0 * (a * a + b * b) / pas2;
    return u / (std::sqrt(1.0 + u) + 1.0);
}

} // namespace

Hybrides parametres_hybrides(const std::vector<double>& z, int N, int M, double pas)
{
    double sx = 0, sy = 0, aire = 0;
    long long nx = 0, ny = 0, carres = 0;
    const double pas2 = pas * pas;
    for (int i = 0; i < N; ++i) {
        const double* h = z.data() + static_cast<std::size_t>(i) * M;
        const double* bas = i + 1 < N ? h + M : nullptr;
        for (int j = 0; j < M; ++j) {
            if (std::isnan(h[j]))
                continue;
            if (j + 1 < M && !std::isnan(h[j + 1])) {
                const double d = h[j + 1] - h[j];
                sx += d * d;
                ++nx;
            }
            if (bas && !std::isnan(bas[j])) {
                const double d = bas[j] - h[j];
                sy += d * d;
                ++ny;
                if (j + 1 < M && !std::isnan(h[j + 1]) && !std::isnan(bas[j + 1])) {
                    // Corners in turn around the square.
                    const double c = 0.25 * (h[j] + h[j + 1] + bas[j + 1] + bas[j]);
                    const double a = h[j] - c, b = h[j + 1] - c, d2 = bas[j + 1] - c, e = bas[j] - c;
                    aire += excedent(a, b, pas2) + excedent(b, d2, pas2) + excedent(d2, e, pas2) +
                            excedent(e, a, pas2);
                    ++carres;
                }
            }
        }
    }
    Hybrides r;
    r.paires_x = nx;
    r.paires_y = ny;
    r.carres = carres;
    r.Sdq_x = nx > 0 ? std::sqrt(sx / static_cast<double>(nx)) / pas : std::nan("");
    r.Sdq_y = ny > 0 ? std::sqrt(sy / static_cast<double>(ny)) / pas : std::nan("");
    r.Sdq = std::hypot(r.Sdq_x, r.Sdq_y);
    // Four triangles of pas²/4 make a square of pas².
    r.Sdr = carres > 0 ? 0.25 * aire / static_cast<double>(carres) : std::nan("");
    return r;
}

} // namespace rapport
