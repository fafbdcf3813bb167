#include "nuage_synthetique.hpp"

#include "program_run.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

namespace nuage_test {

namespace {

const double pi = std::acos(-1.0);

// Rodrigues' turn of p by angle a (radians) about the unit axis k.
Point tourner(const Point& p, const Point& k, double a)
{
    const double c = std::cos(a), s = std::sin(a);
    const double kp = k[0] * p[0] + k[1] * p[1] + k[2] * p[2];
    const Point kxp{k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2], k[0] * p[1] - k[1] * p[0]};
    Point q{};
    for (int i = 0; i < 3; ++i)
        q[i] = p[i] * c + kxp[i] * s + k[i] * kp * (1 - c);
    return q;
}

struct Fichiers {
    std::string x, y, z, color;
    void ajouter(const Point& p, int r, int g, int b)
    {
        char texte[200];
        std::snprintf(texte, sizeof texte, "%f\n ", p[0]);
        x += texte;
        std::snprintf(texte, sizeof texte, "%f\n ", p[1]);
        y += texte;
        std::snprintf(texte, sizeof texte, "%f\n ", p[2]);
        z += texte;
        std::snprintf(texte, sizeof texte, "%d %d %d\n", r, g, b);
        color += texte;
    }
};

} // namespace

std::vector<Point> ecrireNuage(const std::filesystem::path& dir, const Pose& pose)
{
    const double inclinaison = pose.inclinaison_deg * pi / 180, azimut = pose.azimut_deg * pi / 180;
    auto placer = [&](const Point& p) {
        Point q = tourner(tourner(p, {std::cos(0.5), std::sin(0.5), 0}, inclinaison), {0, 0, 1}, azimut);
        for (int i = 0; i < 3; ++i)
            q[i] = pose.decalage[i] + q[i] * pose.cote / 100;
        return q;
    };
    Fichiers f;
    // A flat disc of rings around each marker centre, slightly varied colours.
    auto disque = [&](double cx, double cy, int r, int g, int b) {
        f.ajouter(placer({cx, cy, 0}), r, g, b);
        for (int anneau = 1; anneau <= 3; ++anneau)
            for (int k = 0; k < 8 * anneau; ++k) {
                const double a = 2 * pi * k / (8 * anneau), rayon = 0.5 * anneau;
                f.ajouter(placer({cx + rayon * std::cos(a), cy + rayon * std::sin(a), 0}), r + k % 5 - 2, g, b - k % 3);
            }
    };
    std::vector<Point> attendus;
    for (int i = 0; i < 39; ++i) {
        for (int j = 0; j < 39; ++j) {
            const double u = -10 + 3.1 * j, v = -10 + 3.1 * i, h = 3 * std::sin(u / 9) * std::cos(v / 13);
            f.ajouter(placer({u, v, h}), 120 + j % 5, 120, 125 - i % 4);
            if (u > 2 && u < 98 && v > 2 && v < 98)
                attendus.push_back({u, v, h});
        }
        if (i == 3)
            disque(0, 0, 230, 110, 30);
        if (i == 17)
            disque(pose.coin_Y[0], pose.coin_Y[1], 180, 180, 105);
        if (i == 30)
            disque(100, 0, 155, 25, 50);
    }
    program_test::spit(dir / "f_x.txt", f.x);
    program_test::spit(dir / "f_y.txt", f.y);
    program_test::spit(dir / "f_z.txt", f.z);
    program_test::spit(dir / "f_color.txt", f.color);
    return attendus;
}

std::vector<Point> lireTriplets(const std::string& texte)
{
    std::istringstream in(texte);
    std::vector<Point> points;
    for (Point p; in >> p[0] >> p[1] >> p[2];)
        points.push_back(p);
    return points;
}

} // namespace nuage_test
