#include "tools/synthese/synthese.hpp"

#include "common/grid.hpp"
#include "common/progress.hpp"
#include "common/repere.hpp"

#ifdef SYNTHESE_AVEC_SURFACE
#include "tools/surface/surface.hpp"
#endif

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace synth {

namespace {

constexpr double degrees = std::numbers::pi / 180.0;

int clamp_channel(int value) { return std::clamp(value, 0, 255); }

// The point of the cloud whose frame position is p, and the vertex line for it.
void write_vertex(pipeline::Writer& ply, const Transform& transform, const Vec3& frame, const Vec3& normal,
                  const Colour& colour)
{
    const Vec3 c = transform.point(frame);
    ply.print("%lf %lf %lf %lf %lf %lf %d %d %d\n", c[0], c[1], c[2], normal[0], normal[1], normal[2], colour[0],
              colour[1], colour[2]);
}

} // namespace

Field::Field(double rms, double length, int modes, Random& random)
    : amplitude_(rms / std::sqrt(static_cast<double>(modes)))
{
    kx_.reserve(modes);
    ky_.reserve(modes);
    a_.reserve(modes);
    b_.reserve(modes);
    for (int m = 0; m < modes; ++m) {
        // Radial law of the spectrum: P(|k| L <= q) = 1 - 1 / sqrt(1 + q²), one
        // draw in each of `modes` equal bands of probability.
        const double u = (m + random.uniform()) / modes;
        const double tail = 1.0 - u;
        const double q = std::sqrt(std::max(0.0, 1.0 / (tail * tail) - 1.0));
        const double k = q / length;
        const double angle = 2.0 * std::numbers::pi * random.uniform();
        kx_.push_back(k * std::cos(angle));
        ky_.push_back(k * std::sin(angle));
        a_.push_back(random.normal());
        b_.push_back(random.normal());
    }
}

double Field::at(double x, double y) const
{
    double sum = 0.0;
    for (std::size_t m = 0; m < kx_.size(); ++m) {
        const double phase = kx_[m] * x + ky_[m] * y;
        sum += a_[m] * std::cos(phase) + b_[m] * std::sin(phase);
    }
    return amplitude_ * sum;
}

void Field::row(double y, double x0, double step, std::span<double> heights) const
{
    const std::size_t modes = kx_.size();
    std::vector<double> c(modes), s(modes), turn_c(modes), turn_s(modes);
    for (std::size_t m = 0; m < modes; ++m) {
        const double phase = kx_[m] * x0 + ky_[m] * y;
        c[m] = std::cos(phase);
        s[m] = std::sin(phase);
        turn_c[m] = std::cos(kx_[m] * step);
        turn_s[m] = std::sin(kx_[m] * step);
    }
    for (double& height : heights) {
        double sum = 0.0;
        for (std::size_t m = 0; m < modes; ++m)
            sum += a_[m] * c[m] + b_[m] * s[m];
        height = amplitude_ * sum;
        for (std::size_t m = 0; m < modes; ++m) {
            const double next_c = c[m] * turn_c[m] - s[m] * turn_s[m];
            s[m] = s[m] * turn_c[m] + c[m] * turn_s[m];
            c[m] = next_c;
        }
    }
}

double Field::covariance(double dx, double dy) const
{
    double sum = 0.0;
    for (std::size_t m = 0; m < kx_.size(); ++m)
        sum += std::cos(kx_[m] * dx + ky_[m] * dy);
    return amplitude_ * amplitude_ * sum;
}

std::pair<Field, Field> Field::split(double k) const
{
    std::pair<Field, Field> parts{Field(), Field()};
    for (Field* f : {&parts.first, &parts.second})
        f->amplitude_ = amplitude_;
    for (std::size_t m = 0; m < kx_.size(); ++m) {
        Field& f = std::hypot(kx_[m], ky_[m]) <= k ? parts.first : parts.second;
        f.kx_.push_back(kx_[m]);
        f.ky_.push_back(ky_[m]);
        f.a_.push_back(a_[m]);
        f.b_.push_back(b_[m]);
    }
    return parts;
}

void Moments::add(double value)
{
    ++count_;
    const double delta = value - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (value - mean_);
}

double Moments::rms() const
{
    return count_ > 0 ? std::sqrt(squares_ / static_cast<double>(count_)) : 0.0;
}

Placement random_placement(Random& random)
{
    Placement p;
    p.azimuth = random.uniform(0.0, 360.0);
    p.tilt = random.uniform(0.0, 30.0);
    p.tilt_direction = random.uniform(0.0, 360.0);
    p.side = 20.0 * std::pow(100.0, random.uniform());
    for (double& s : p.shift)
        s = random.uniform(-1000.0, 1000.0);
    return p;
}

Vec3 Transform::direction(const Vec3& frame) const
{
    Vec3 out{};
    for (int i = 0; i < 3; ++i)
        out[i] = rotation[i][0] * frame[0] + rotation[i][1] * frame[1] + rotation[i][2] * frame[2];
    return out;
}

Vec3 Transform::point(const Vec3& frame) const
{
    const Vec3 turned = direction(frame);
    return {shift[0] + scale * turned[0], shift[1] + scale * turned[1], shift[2] + scale * turned[2]};
}

Transform make_transform(const Placement& placement)
{
    // Tilt: turn by `tilt` about the unit axis n = (cos d, sin d, 0) (Rodrigues).
    const double t = placement.tilt * degrees, d = placement.tilt_direction * degrees;
    const double n[3] = {std::cos(d), std::sin(d), 0.0};
    const double ct = std::cos(t), st = std::sin(t);
    double tilt[3][3];
    const double cross[3][3] = {{0.0, -n[2], n[1]}, {n[2], 0.0, -n[0]}, {-n[1], n[0], 0.0}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            tilt[i][j] = (i == j ? ct : 0.0) + st * cross[i][j] + (1.0 - ct) * n[i] * n[j];
    // Then the azimuth, about the vertical.
    const double a = placement.azimuth * degrees;
    const double turn[3][3] = {{std::cos(a), -std::sin(a), 0.0}, {std::sin(a), std::cos(a), 0.0}, {0.0, 0.0, 1.0}};
    Transform out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.rotation[i][j] = turn[i][0] * tilt[0][j] + turn[i][1] * tilt[1][j] + turn[i][2] * tilt[2][j];
    out.scale = placement.side / 100.0;
    out.shift = placement.shift;
    return out;
}

Colour noisy_marker_colour(const Colour& reference, Random& random)
{
    Colour c{};
    for (int i = 0; i < 3; ++i)
        c[i] = clamp_channel(reference[i] + random.integer(-4, 4));
    return c;
}

Colour surface_colour(double z, double rms, Random& random)
{
    const double t = rms > 0.0 ? std::clamp(z / (3.0 * rms), -1.0, 1.0) : 0.0;
    return {clamp_channel(static_cast<int>(std::lround(70.0 + 30.0 * t)) + random.integer(-10, 10)),
            clamp_channel(static_cast<int>(std::lround(110.0 + 40.0 * t)) + random.integer(-10, 10)),
            clamp_channel(static_cast<int>(std::lround(200.0 - 20.0 * t)) + random.integer(-10, 10))};
}

Lattice surface_lattice(double low, double high, double length)
{
    const double wanted = std::min(0.25, length / 40.0);
    const double cells = std::clamp(std::ceil((high - low) / wanted), 1.0, 2400.0);
    Lattice lattice;
    lattice.origin = low;
    lattice.cells = static_cast<int>(cells);
    lattice.step = (high - low) / cells;
    return lattice;
}

long long cell_share(long long total, long long cells, long long index)
{
    // floor((index + 1) total / cells) - floor(index total / cells), without overflow
    const auto before = [&](long long i) {
        return (i / cells) * total + ((i % cells) * total) / cells;
    };
    return before(index + 1) - before(index);
}

std::array<Vec3, 3> marker_centres(const CloudSettings& settings)
{
    const double a = settings.frame_angle * degrees;
    return {Vec3{0.0, 0.0, 0.0}, Vec3{100.0, 0.0, 0.0},
            Vec3{settings.side_y * std::cos(a), settings.side_y * std::sin(a), 0.0}};
}

namespace {

// The placement asked for, each part not given drawn from the seed.
Placement chosen_placement(const CloudSettings& settings)
{
    Random placement_random(outils::derived_seed(settings.seed, 2, 0));
    Placement placement = random_placement(placement_random);
    placement.azimuth = settings.azimuth.value_or(placement.azimuth);
    placement.tilt = settings.tilt.value_or(placement.tilt);
    placement.tilt_direction = settings.tilt_direction.value_or(placement.tilt_direction);
    placement.side = settings.side.value_or(placement.side);
    placement.shift = settings.shift.value_or(placement.shift);
    return placement;
}

void write_header(pipeline::Writer& ply, int points)
{
    ply.print("ply\nformat ascii 1.0\nelement vertex %d\n", points);
    ply.print("property float x\nproperty float y\nproperty float z\n");
    ply.print("property float nx\nproperty float ny\nproperty float nz\n");
    ply.print("property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n");
}

struct Streams {
    Random points, colours;
    pipeline::Progress progress;
};

// The surface, cell after cell of the lattice: the long waves (k·step at most
// lattice_phase) interpolated between the lattice nodes, only two rows of which
// are held at a time, the short waves computed at each point. Interpolated
// alone, the surface would be smooth within a lattice cell, and the capture
// discs of echantillonnage, which average a fraction of a step, would find it
// smoother than the model. A cloud with fewer than one point for four nodes is
// cheaper to compute point by point, all its modes at each point.
void write_surface(const CloudSettings& settings, const Field& field, Streams& streams, pipeline::Writer& ply,
                   CloudSummary& summary)
{
    const double margin = std::max(3.0, settings.marker_radius + 1.5);
    const Lattice lattice = surface_lattice(-margin, 100.0 + margin, settings.length);
    const int n = lattice.cells;
    const long long cells = static_cast<long long>(n) * n;
    summary.lattice = lattice;
    summary.exact_heights = summary.surface_points * 4 < cells;
    const Vec3 normal = summary.transform.direction({0.0, 0.0, 1.0});
    std::vector<double> lower(n + 1), upper(n + 1);
    const auto [long_waves, short_waves] = field.split(lattice_phase / lattice.step);
    if (!summary.exact_heights)
        long_waves.row(lattice.origin, lattice.origin, lattice.step, lower);
    for (int j = 0; j < n; ++j) {
        if (!summary.exact_heights)
            long_waves.row(lattice.origin + (j + 1) * lattice.step, lattice.origin, lattice.step, upper);
        for (int i = 0; i < n; ++i) {
            const long long share = cell_share(summary.surface_points, cells, static_cast<long long>(j) * n + i);
            for (long long p = 0; p < share; ++p) {
                const double u = streams.points.uniform(), v = streams.points.uniform();
                const double x = lattice.origin + (i + u) * lattice.step;
                const double y = lattice.origin + (j + v) * lattice.step;
                const double z = summary.exact_heights
                                     ? field.at(x, y)
                                     : (1 - u) * (1 - v) * lower[i] + u * (1 - v) * lower[i + 1] +
                                           (1 - u) * v * upper[i] + u * v * upper[i + 1] + short_waves.at(x, y);
                write_vertex(ply, summary.transform, {x, y, z}, normal,
                             surface_colour(z, settings.rms, streams.colours));
                streams.progress.step();
                if (pipeline::dansLeCadre(x, y)) {
                    ++summary.frame_points;
                    summary.frame_heights.add(z);
                }
            }
        }
        std::swap(lower, upper);
    }
}

// The markers: flat discs at height 0, the plane of the frame, in the order O, X, Y.
void write_markers(const CloudSettings& settings, Streams& streams, pipeline::Writer& ply,
                   const CloudSummary& summary)
{
    const std::string names = "OXY";
    const Vec3 normal = summary.transform.direction({0.0, 0.0, 1.0});
    const auto centres = marker_centres(settings);
    for (int m = 0; m < 3; ++m) {
        if (settings.missing == names.substr(m, 1))
            continue;
        for (int p = 0; p < settings.marker_points; ++p) {
            const double r = settings.marker_radius * std::sqrt(streams.points.uniform());
            const double angle = 2.0 * std::numbers::pi * streams.points.uniform();
            const Vec3 frame{centres[m][0] + r * std::cos(angle), centres[m][1] + r * std::sin(angle), 0.0};
            write_vertex(ply, summary.transform, frame, normal, noisy_marker_colour(marker_colours[m], streams.colours));
            streams.progress.step();
        }
    }
}

} // namespace

CloudSummary write_cloud(const CloudSettings& settings, pipeline::Writer& ply)
{
    CloudSummary summary;
    Random field_random(outils::derived_seed(settings.seed, 1, 0));
    const Field field(settings.rms, settings.length, settings.modes, field_random);
    summary.placement = chosen_placement(settings);
    summary.transform = make_transform(summary.placement);
    const int markers = settings.missing.empty() ? 3 : 2;
    summary.marker_points = settings.marker_points;
    summary.surface_points = settings.points - static_cast<long long>(markers) * settings.marker_points;

    write_header(ply, settings.points);
    Streams streams{Random(outils::derived_seed(settings.seed, 3, 0)), Random(outils::derived_seed(settings.seed, 4, 0)),
                    pipeline::Progress("rugosite-synthese", settings.points)}; // progress: on a terminal only
    write_surface(settings, field, streams, ply, summary);
    write_markers(settings, streams, ply, summary);
    return summary;
}

GridSummary write_grid(const GridSettings& settings, pipeline::Writer& grille)
{
    GridSummary summary;
#ifdef SYNTHESE_AVEC_SURFACE
    try {
        const int lignes = settings.steps_first + 1, colonnes = settings.steps_second + 1;
        const surface::Plongement plongement(lignes, colonnes, settings.step, surface::Modele::exponentiel,
                                             settings.rms, settings.length);
        surface::Buffer<surface::Complexe> travail;
        std::vector<double> z(static_cast<std::size_t>(lignes) * colonnes), autre(z.size());
        plongement.tirer(outils::derived_seed(settings.seed, 1, 0), z, autre, travail);
        pipeline::ecrireEnTete(grille, settings.steps_first, settings.steps_second, settings.step);
        for (int j = 0; j < colonnes; ++j)
            for (int i = 0; i < lignes; ++i) {
                const double h = z[static_cast<std::size_t>(i) * colonnes + j];
                pipeline::ecrireHauteur(grille, h);
                summary.heights.add(h);
            }
        summary.circulant = true;
        return summary;
    } catch (const std::length_error&) {
        // torus too large for memory: the spectral modes below
    }
#endif
    Random field_random(outils::derived_seed(settings.seed, 1, 0));
    const Field field(settings.rms, settings.length, settings.modes, field_random);
    pipeline::ecrireEnTete(grille, settings.steps_first, settings.steps_second, settings.step);
    std::vector<double> heights(static_cast<std::size_t>(settings.steps_first) + 1);
    for (int j = 0; j <= settings.steps_second; ++j) {
        field.row(j * settings.step, 0.0, settings.step, heights);
        for (double z : heights) {
            pipeline::ecrireHauteur(grille, z);
            summary.heights.add(z);
        }
    }
    return summary;
}

namespace {

void write_common_truth(std::uint64_t seed, double rms, double length, int modes, const Moments& heights,
                        pipeline::Writer& out)
{
    out.print("graine %d\n", static_cast<int>(seed));
    out.print("rms %lf\n", rms);
    out.print("longueur_correlation %lf\n", length);
    out.print("modes %d\n", modes);
    out.print("rms_realise %lf\n", heights.rms());
    out.print("moyenne_realisee %lf\n", heights.mean());
}

} // namespace

void write_cloud_truth(const CloudSettings& settings, const CloudSummary& summary, pipeline::Writer& out)
{
    out.print("mode nuage\n");
    write_common_truth(settings.seed, settings.rms, settings.length, settings.modes, summary.frame_heights, out);
    out.print("points %d\n", settings.points);
    out.print("points_surface %d\n", static_cast<int>(summary.surface_points));
    out.print("points_par_coin %d\n", static_cast<int>(summary.marker_points));
    out.print("coin_absent %s\n", settings.missing.empty() ? std::string("aucun") : settings.missing);
    out.print("points_dans_le_cadre %d\n", static_cast<int>(summary.frame_points));
    out.print("rayon_coin %lf\n", settings.marker_radius);
    out.print("angle_cadre %lf\n", settings.frame_angle);
    out.print("cote_y %lf\n", settings.side_y);
    // 0 when every height was computed at its point
    out.print("pas_surface %lf\n", summary.exact_heights ? 0.0 : summary.lattice.step);
    const Placement& p = summary.placement;
    out.print("cote_x %lf\n", p.side);
    out.print("azimut %lf\n", p.azimuth);
    out.print("inclinaison %lf\n", p.tilt);
    out.print("direction_inclinaison %lf\n", p.tilt_direction);
    out.print("decalage %lf %lf %lf\n", p.shift[0], p.shift[1], p.shift[2]);
    const auto& r = summary.transform.rotation;
    out.print("rotation %lf %lf %lf %lf %lf %lf %lf %lf %lf\n", r[0][0], r[0][1], r[0][2], r[1][0], r[1][1], r[1][2],
              r[2][0], r[2][1], r[2][2]);
}

void write_grid_truth(const GridSettings& settings, const GridSummary& summary, pipeline::Writer& out)
{
    out.print("mode grille\n");
    write_common_truth(settings.seed, settings.rms, settings.length, settings.modes, summary.heights, out);
    out.print("entete %dx%dx%lf\n", settings.steps_first, settings.steps_second, settings.step);
    out.print("surface %s\n", summary.circulant ? "plongement_circulant" : "modes_spectraux");
}

} // namespace synth
