// Frame transform and cropping: every vertex moved into the marker frame, in
// percent of the frame side, and kept when it lies inside the frame.
#pragma once

#include "common/line_io.hpp"

#include <array>

namespace delimiter {

using pipeline::Reader;
using pipeline::Writer;

using Point = std::array<double, 3>;
using Matrice = std::array<std::array<double, 3>, 3>; // [row][column]

// Rx(rotX)·Ry(rotY)·Rz(rotZ): turns a vector about z, then y, then x.
Matrice matriceRotation(double rotX, double rotY, double rotZ);

// mat_rot × (point_temp − translat), scaled by 100 / echelle.
Point versRepere(const Point& point_temp, const Point& translat, const Matrice& mat_rot, double echelle);

// Inside the frame: x and y strictly between 2 and 98; z does not matter.
bool dansLeCadre(const Point& point);

// A scale a frame can have: a positive finite number.
bool echelleValide(double echelle);

// The point cloud, one file per coordinate and one for the colours, in step.
struct Nuage {
    Reader f_x, f_y, f_z, f_color;
};

struct Bilan {
    int counti = 0;                       // vertices read
    int ij = 0;                           // vertices inside the frame
    const char* fichier_fautif = nullptr; // the file whose entry stopped the loop early
};

// Transforms every vertex and writes those inside the frame to cloud.txt and
// cloud.m. Stops at the end of the x coordinates, or at the first vertex one of
// whose reads fails: that vertex is not counted, and the file is named.
Bilan delimiterNuage(Nuage& nuage, const Point& translat, const Matrice& mat_rot, double echelle, Writer& cloud,
                     Writer& cloud_m);

} // namespace delimiter
