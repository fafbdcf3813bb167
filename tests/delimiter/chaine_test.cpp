// markerpick, framefit and delimiter in a row on generated clouds: the cropped
// cloud must come out in frame coordinates whatever the pose of the cloud.
#include "tests/support/program_run.hpp"
#include "tests/support/rotation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

using program_test::run;
using program_test::tourner;
using program_test::WorkDir;

namespace {

using Point = std::array<double, 3>;
const double pi = std::acos(-1.0);

struct Pose {
    double azimut, inclinaison; // degrees: tilts about x, then y (by half), then a turn about z
    double cote;                // frame side in cloud units
    Point decalage;             // where the origin lands
};

// Writes the cloud files of a relief over the frame O (0, 0), X (100, 0), Y (0, 100), with
// a flat disc of rings in the default colour at each marker; gives the relief
// points inside the frame, in the order of the cloud and in frame coordinates.
std::vector<Point> ecrireNuage(const WorkDir& dir, const Pose& pose)
{
    std::string fichiers[4];
    auto ajouter = [&](const Point& p, int r, int g, int b) {
        const double t = pose.inclinaison * pi / 180;
        const Point q = tourner(tourner(tourner(p, 0, t), 1, t / 2), 2, pose.azimut * pi / 180);
        char texte[200];
        for (int i = 0; i < 3; ++i) {
            std::snprintf(texte, sizeof texte, "%f\n ", pose.decalage[i] + q[i] * pose.cote / 100);
            fichiers[i] += texte;
        }
        std::snprintf(texte, sizeof texte, "%d %d %d\n", r, g, b);
        fichiers[3] += texte;
    };
    auto disque = [&](double cx, double cy, int r, int g, int b) {
        ajouter({cx, cy, 0}, r, g, b);
        for (int n = 8; n <= 24; n += 8)
            for (int k = 0; k < n; ++k)
                ajouter({cx + n / 16.0 * std::cos(2 * pi * k / n), cy + n / 16.0 * std::sin(2 * pi * k / n), 0},
                        r + k % 5 - 2, g, b - k % 3);
    };
    std::vector<Point> attendus;
    for (int i = 0; i < 39; ++i) {
        for (int j = 0; j < 39; ++j) {
            const double u = -10 + 3.1 * j, v = -10 + 3.1 * i, h = 3 * std::sin(u / 9) * std::cos(v / 13);
            ajouter({u, v, h}, 120 + j % 5, 120, 125 - i % 4);
            if (u > 2 && u < 98 && v > 2 && v < 98)
                attendus.push_back({u, v, h});
        }
        if (i == 3)
            disque(0, 0, 230, 110, 30);
        if (i == 17)
            disque(0, 100, 180, 180, 105);
        if (i == 30)
            disque(100, 0, 155, 25, 50);
    }
    const char* noms[] = {"f_x.txt", "f_y.txt", "f_z.txt", "f_color.txt"};
    for (int i = 0; i < 4; ++i)
        dir.write(noms[i], fichiers[i]);
    return attendus;
}

} // namespace

TEST(Chaine, CroppedCloudInFrameCoordinatesAtAnyPose)
{
    const Pose poses[] = {{0, 0, 100, {0, 0, 0}},      {120, 10, 0.4, {5, -3, 1.2}}, {-150, 25, 250, {1e3, 2e3, -50}},
                          {80, 10, 3, {0, 0, 10}},     {275, 40, 17, {-7, 3, 0}},    {200, 150, 60, {1, 1, 1}},
                          {90, 0, 100, {0, 0, 0}},     {180, 0, 100, {0, 0, 0}}};
    for (const Pose& pose : poses) {
        WorkDir dir;
        const std::vector<Point> attendus = ecrireNuage(dir, pose);
        for (const char* programme : {"markerpick", "framefit", "delimiter"})
            ASSERT_EQ(run(programme, {}, dir).status, 0) << programme << " at " << pose.azimut << " degrees";
        EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "49 49 49\n");
        std::istringstream cloud(dir.read("cloud.txt"));
        std::size_t n = 0;
        double ecart_max = 0;
        for (Point p; cloud >> p[0] >> p[1] >> p[2]; ++n)
            for (int k = 0; k < 3 && n < attendus.size(); ++k)
                ecart_max = std::max(ecart_max, std::abs(p[k] - attendus[n][k]));
        EXPECT_EQ(n, attendus.size()) << pose.azimut; // a mirrored cloud loses most of its points
        EXPECT_LT(ecart_max, 2e-3) << pose.azimut;
    }
}
