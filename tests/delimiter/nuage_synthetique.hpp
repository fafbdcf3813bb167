// A small cloud as the import step leaves it (f_x.txt, f_y.txt, f_z.txt,
// f_color.txt): a relief over a square frame of side 100, with marker discs in
// the default colours at O (0, 0), X (100, 0) and Y (by default (0, 100)), the
// whole turned, tilted, scaled and shifted anywhere in space.
#pragma once

#include <array>
#include <filesystem>
#include <vector>

namespace nuage_test {

using Point = std::array<double, 3>;

struct Pose {
    double azimut_deg = 0;      // turn about the vertical
    double inclinaison_deg = 0; // tilt about a horizontal axis, applied first
    double cote = 100;          // frame side in cloud units
    Point decalage{};           // where the origin lands
    std::array<double, 2> coin_Y{0, 100};
};

// Writes the four files into dir; gives the relief points that lie inside the
// frame, in the order of the cloud and in frame coordinates (percent of the side).
std::vector<Point> ecrireNuage(const std::filesystem::path& dir, const Pose& pose);

// The triples of a text of "%lf %lf %lf" lines.
std::vector<Point> lireTriplets(const std::string& texte);

} // namespace nuage_test
