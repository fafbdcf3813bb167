#include "common/repere.hpp"

#include <cmath>

namespace pipeline {

Rotation anglesRotation(const Point& X, const Point& Y)
{
    Rotation r;
    r.rotY = std::atan2(X[2], std::sqrt(X[0] * X[0] + X[1] * X[1]));
    r.rotZ = -std::atan2(X[1], X[0]);
    // The side Y as the turns about z and then y leave it.
    const double cz = std::cos(r.rotZ), sz = std::sin(r.rotZ);
    const double cy = std::cos(r.rotY), sy = std::sin(r.rotY);
    const double t0 = cz * Y[0] - sz * Y[1];
    const double yr1 = sz * Y[0] + cz * Y[1];
    const double yr2 = -sy * t0 + cy * Y[2];
    r.rotX = -std::atan2(yr2, yr1);
    return r;
}

Matrice3 matriceRotation(double rotX, double rotY, double rotZ)
{
    const double cx = std::cos(rotX), cy = std::cos(rotY), cz = std::cos(rotZ);
    const double sx = std::sin(rotX), sy = std::sin(rotY), sz = std::sin(rotZ);
    Matrice3 mat_rot{};
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

Point versRepere(const Point& point_temp, const Point& translat, const Matrice3& mat_rot, double echelle)
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

bool dansLeCadre(double x, double y)
{
    return x > 2 && y > 2 && x < 98 && y < 98;
}

bool echelleValide(double echelle)
{
    return std::isfinite(echelle) && echelle > 0;
}

} // namespace pipeline
