// Synthetic measurements for the toolkit: a rough square surface whose heights
// are a Gaussian random field of chosen RMS height and exponential correlation
// length, seen either as the coloured point cloud of a photogrammetric survey
// (three corner markers, the whole cloud turned, tilted, shifted and scaled) or
// directly as a height grid.
//
// Lengths are in percent of the frame side (the side O to X measures 100), as
// the programs express them from `delimiter` on; the cloud itself is in its own
// units. Everything is streamed: memory does not depend on the number of points.
#pragma once

#include "common/line_io.hpp"
#include "tools/commun/aleatoire.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace synth {

using Vec3 = std::array<double, 3>;
using Colour = std::array<int, 3>;

// The toolkit's one seeded generator. A part of a measurement (the surface,
// the placement, the points) draws from its own stream of the seed
// (outils::derived_seed(seed, stream, 0)), so that it does not change when
// another is set by hand.
using outils::Random;

// Zero-mean Gaussian random field with covariance rms² exp(-r / length), as a
// sum of spectral modes: rms / sqrt(K) Σ a cos(k·p) + b sin(k·p), a and b
// standard normal, the wave vectors k drawn from the spectrum of the exponential
// covariance in two dimensions (a bivariate Cauchy law of scale 1 / length),
// radially stratified so that every band of the spectrum is represented.
class Field {
public:
    Field(double rms, double length, int modes, Random& random);

    double at(double x, double y) const;
    // Heights at x0, x0 + step, ... along the line of ordinate y, as many as
    // `heights` holds: one rotation per mode and node instead of a cosine.
    void row(double y, double x0, double step, std::span<double> heights) const;
    // Covariance of this set of modes at separation (dx, dy): the covariance of
    // the field given its wave vectors, which tends to rms² exp(-r / length).
    double covariance(double dx, double dy) const;
    // The modes of wave number at most k, and the others: the field is their sum.
    std::pair<Field, Field> split(double k) const;

private:
    Field() = default;
    double amplitude_ = 0;
    std::vector<double> kx_, ky_, a_, b_;
};

// Running mean and RMS deviation (centred), computed in one pass.
class Moments {
public:
    void add(double value);
    long long count() const { return count_; }
    double mean() const { return mean_; }
    double rms() const; // sqrt(Σ (v - mean)² / n), 0 without values

private:
    long long count_ = 0;
    double mean_ = 0.0, squares_ = 0.0;
};

// How the frame sits in the cloud: the cloud point of a frame point p is
// shift + (side / 100) R p, with R the turn by `tilt` degrees about the
// horizontal axis of azimuth `tilt_direction`, followed by the turn by `azimuth`
// degrees about the vertical. `side` is the length of the side O to X in cloud units.
struct Placement {
    double azimuth = 0.0, tilt = 0.0, tilt_direction = 0.0;
    double side = 100.0;
    Vec3 shift{0.0, 0.0, 0.0};
};

// Azimuth 0 to 360, tilt 0 to 30 degrees about any axis, side 20 to 2000
// (log-uniform), shift within 1000 on each axis.
Placement random_placement(Random& random);

struct Transform {
    std::array<Vec3, 3> rotation{}; // rows
    double scale = 1.0;             // cloud units per frame unit
    Vec3 shift{};
    Vec3 point(const Vec3& frame) const;      // frame point to cloud point
    Vec3 direction(const Vec3& frame) const;  // rotation alone (normals)
};

Transform make_transform(const Placement& placement);

// The colours that `markerpick` looks for by default, O, X and Y.
inline constexpr std::array<Colour, 3> marker_colours{{{230, 110, 30}, {155, 25, 50}, {180, 180, 105}}};

// A marker colour with a little noise: each channel moved by at most 4.
Colour noisy_marker_colour(const Colour& reference, Random& random);
// Colour of the surface at height z: blue-grey shades that stay far (more than
// 40 on the blue channel) from every marker colour.
Colour surface_colour(double z, double rms, Random& random);

// The square lattice on which the long waves of the surface are computed before
// they are interpolated at the points: `cells` cells of side `step` from
// `origin`. A mode goes on the lattice when its wave number k has k·step at
// most lattice_phase: bilinear interpolation then keeps its amplitude within
// lattice_phase²/8, under 1 %; the shorter waves are computed at each point.
inline constexpr double lattice_phase = 0.25;
struct Lattice {
    double origin = 0.0;
    double step = 1.0;
    int cells = 1;
};

// Covers [low, high] with cells no larger than a fortieth of the correlation
// length nor than 0.25, and at most 2400 cells a side.
Lattice surface_lattice(double low, double high, double length);

// Points given to cell `index` of `cells` when `total` points are spread as
// evenly as possible, in order: the shares add up to `total` exactly.
long long cell_share(long long total, long long cells, long long index);

struct CloudSettings {
    std::uint64_t seed = 1;
    int points = 1000000;   // vertices in the file, markers included
    double rms = 1.0;       // percent of the frame side
    double length = 10.0;   // percent of the frame side
    int modes = 1024;
    int marker_points = 500;
    double marker_radius = 1.5;
    std::string missing;    // marker left out: "", "O", "X" or "Y"
    double frame_angle = 90.0;  // degrees between the sides O-X and O-Y
    double side_y = 100.0;      // length of the side O-Y, percent of O-X
    // Placement; a part left unset is drawn from the seed.
    std::optional<double> azimuth, tilt, tilt_direction, side;
    std::optional<Vec3> shift;
};

struct CloudSummary {
    Placement placement;
    Transform transform;
    long long surface_points = 0;
    long long marker_points = 0;    // per marker present
    long long frame_points = 0;     // surface points strictly inside 2..98
    Moments frame_heights;          // their heights, percent of the side
    Lattice lattice;
    bool exact_heights = false;     // computed at each point, not interpolated
};

// Where the corner markers stand in the frame: O, X, Y.
std::array<Vec3, 3> marker_centres(const CloudSettings& settings);

// Writes the PLY cloud, 13-line ASCII header and one vertex a line
// (x y z nx ny nz red green blue), surface points first, row after row, then
// the markers O, X and Y.
CloudSummary write_cloud(const CloudSettings& settings, pipeline::Writer& ply);

struct GridSettings {
    std::uint64_t seed = 1;
    double rms = 1.0;
    double length = 10.0;  // in the unit of the step
    int modes = 1024;
    int steps_first = 200;   // steps along the index that varies fastest
    int steps_second = 200;
    double step = 0.5;
};

struct GridSummary {
    Moments heights;
    // Heights of the exponential covariance exactly (circulant embedding, when
    // built with FFTW and the grid is not too large), or from the spectral modes.
    bool circulant = false;
};

// Writes a height grid in the layout of `grille.txt`: "AxBxstep" and then
// (A+1) x (B+1) heights, one a line, the first index varying fastest; node
// (i, j) stands at (i step, j step). The heights come from the shared surface
// library (exact covariance on the grid) when it is built in; `modes` then
// only matters for grids too large for it.
GridSummary write_grid(const GridSettings& settings, pipeline::Writer& grille);

// The true parameters, one "name value..." line each, beside the measurement.
void write_cloud_truth(const CloudSettings& settings, const CloudSummary& summary, pipeline::Writer& out);
void write_grid_truth(const GridSettings& settings, const GridSummary& summary, pipeline::Writer& out);

} // namespace synth
