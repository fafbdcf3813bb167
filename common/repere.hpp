// The frame of the three corner markers, as framefit measures it and
// delimiter and the generator use it.
//
// Marker O is the origin, the side O-X the x axis and the side O-Y lies in the
// xy plane on the positive y side. A vertex p of the cloud goes into the frame
// as 100 / echelle x R (p - O), in percent of the frame side, where R turns
// about z by rotZ, then about y by rotY, then about x by rotX. The surface
// measured is what lies strictly between 2 and 98 percent in x and y.
#pragma once

#include <array>

namespace pipeline {

using Point = std::array<double, 3>;                     // x, y, z; also a vector between points
using Matrice3 = std::array<std::array<double, 3>, 3>; // [row][column]

struct Rotation {
    double rotX = 0, rotY = 0, rotZ = 0;
};

// The angles that turn the side X onto the positive x axis and the side Y into
// the xy plane on the positive y side.
Rotation anglesRotation(const Point& X, const Point& Y);

// Rx(rotX)·Ry(rotY)·Rz(rotZ): turns a vector about z, then y, then x.
Matrice3 matriceRotation(double rotX, double rotY, double rotZ);

// mat_rot × (point_temp − translat), scaled by 100 / echelle.
Point versRepere(const Point& point_temp, const Point& translat, const Matrice3& mat_rot, double echelle);

// Inside the frame: x and y strictly between 2 and 98; z does not matter.
bool dansLeCadre(double x, double y);

// A scale a frame can have: a positive finite number.
bool echelleValide(double echelle);

} // namespace pipeline
