#include "delimiter/delimiter.hpp"

#include "common/progress.hpp"
#include "common/two_stage.hpp"

#include "common/pipeline_files.hpp"

#include <cmath>

namespace delimiter {

Matrice matriceRotation(double rotX, double rotY, double rotZ)
{
    const double cx = std::cos(rotX), cy = std::cos(rotY), cz = std::cos(rotZ);
    const double sx = std::sin(rotX), sy = std::sin(rotY), sz = std::sin(rotZ);
    Matrice mat_rot{};
    mat_rot[0][0] = cz * cy;
    mat_rot[0][1] = -cy * sz;
    mat_rot[0][2] = sy;
    mat_rot[1][0] = cz * sx * sy + cx * sz;
    mat_rot[1][1] = cx * cz - sx * sy * sz;
    mat_rot[1][2] = -sx * cy;
    mat_rot[2][0] = sx * sz - cx * cz * sy;
    mat_rot[2][1] = cx * sy * sz + cz * sx;
    mat_rot[2][2] = cx * cy;
    return mat_rot;
}

Point versRepere(const Point& point_temp, const Point& translat, const Matrice& mat_rot, double echelle)
{
    Point point{};
    for (int i = 0; i < 3; ++i) {
        point[i] = 0; // from +0: an exact zero prints 0.000000, never -0.000000
        for (int k = 0; k < 3; ++k)
            point[i] += (point_temp[k] - translat[k]) * mat_rot[i][k];
        point[i] = 100 * point[i] / echelle;
    }
    return point;
}

bool dansLeCadre(const Point& point)
{
    return point[0] > 2 && point[1] > 2 && point[0] < 98 && point[1] < 98;
}

bool echelleValide(double echelle)
{
    return std::isfinite(echelle) && echelle > 0;
}

Bilan delimiterNuage(Nuage& nuage, const Point& translat, const Matrice& mat_rot, double echelle, Writer& cloud,
                     Writer& cloud_m)
{
    // On one core: reading the four files, moving, cropping and writing
    // cloud.txt; on the other, the two lines of cloud.m of each kept vertex.
    struct Garde {
        Point point{}, color{};
        int ij = 0;
    };
    Bilan bilan;
    Point point_temp{}, color{};
    pipeline::Progress progression("delimiter");
    pipeline::two_stage<Garde>(
        [&](Garde& garde) {
            for (;;) {
                const int lecture_point = nuage.f_x.scan("%lf", point_temp[0]);
                if (lecture_point != 1) {
                    if (lecture_point != pipeline::fin_de_fichier)
                        bilan.fichier_fautif = pipeline::fichier_x;
                    return false;
                }
                if (nuage.f_y.scan("%lf", point_temp[1]) != 1)
                    bilan.fichier_fautif = pipeline::fichier_y;
                else if (nuage.f_z.scan("%lf", point_temp[2]) != 1)
                    bilan.fichier_fautif = pipeline::fichier_z;
                else if (nuage.f_color.scan("%lf %lf %lf", color[0], color[1], color[2]) != 3)
                    bilan.fichier_fautif = pipeline::fichier_color;
                if (bilan.fichier_fautif)
                    return false;
                ++bilan.counti;
                progression.step();

                const Point point = versRepere(point_temp, translat, mat_rot, echelle);
                if (!dansLeCadre(point))
                    continue;
                garde = {point, color, ++bilan.ij};
                cloud.print("%lf %lf %lf\n", point[0], point[1], point[2]);
                return true;
            }
        },
        [&](const Garde& g) {
            const Point& point = g.point;
            const int ij = g.ij;
            cloud_m.print("X(%d)=%lf; Y(%d)=%lf; Z(%d)=%lf;\n", ij, point[0], ij, point[1], ij, point[2]);
            cloud_m.print("r(%d)=%lf; g(%d)=%lf; b(%d)=%lf;\n", ij, g.color[0], ij, g.color[1], ij, g.color[2]);
            return true;
        });
    return bilan;
}

} // namespace delimiter
