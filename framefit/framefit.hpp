// Reference-frame fitting: the centres of the three corner markers, the tests of
// the frame they span, and the angles that turn the cloud into that frame.
#pragma once

#include "common/line_io.hpp"
#include "common/repere.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace framefit {

using pipeline::Reader;
using pipeline::Writer;

using pipeline::Point;

double dist(const Point& vect1, const Point& vect2);

// The centre of a marker of n points: the midpoint of its two extremes, the
// point farthest from the first point and the point farthest from that one (the
// earliest wins a tie). Two passes over the file, rewound in between; nothing is
// stored. Nothing when the file holds fewer than n points.
std::optional<Point> centreCoin(Reader& coin, int n);

// The two sides of the frame seen from marker O.
struct Cadre {
    Point X{}, Y{};
    double taille_x = 0, taille_y = 0;
    double cos_phi = 0;
};
Cadre mesurerCadre(const Point& pos_coin_O, const Point& pos_coin_X, const Point& pos_coin_Y);

// Sides of similar length: within a tenth of taille_x. A quotient that is not a
// number (coinciding centres) fails.
bool taillesProches(double taille_x, double taille_y);

// Near a right angle: |cos_phi| at most 0.1, on both sides of 90 degrees.
bool angleDroit(double cos_phi);

// Why the run stops, in one sentence with the measured figures: a marker with
// fewer than 10 points (status 5), sides too different in length (status 10),
// sides too far from a right angle (status 20).
std::string raisonComptes(int nbr_coin_O, int nbr_coin_X, int nbr_coin_Y);
std::string raisonTailles(double taille_x, double taille_y);
std::string raisonAngle(double cos_phi);

// The three centre lines shared by base.m and the log, markers Y, X, O.
void ecrireCentres(Writer& out, const Point& pos_coin_Y, const Point& pos_coin_X, const Point& pos_coin_O);

// The display script of the marker points and their centres.
void ecrireVisuPlots(Writer& visu);

} // namespace framefit
