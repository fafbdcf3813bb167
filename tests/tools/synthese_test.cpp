// The synthetic measurements must be what they claim: the field has the RMS
// height and exponential correlation asked for, the cloud has the layout the
// road reads, markers that markerpick finds and nothing else that it could
// take for one, and a placement that the true parameters describe.
#include "tools/synthese/options.hpp"
#include "tools/synthese/synthese.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

using namespace synth;

namespace {

struct Vertex {
    Vec3 p;
    Colour colour;
};

// The vertices of a PLY text in the layout the road reads.
std::vector<Vertex> read_ply(const std::string& text)
{
    std::vector<Vertex> vertices;
    auto in = pipeline::Reader::over_text(text.substr(text.find("end_header\n") + 11));
    Vertex v;
    double n[3];
    while (in.scan("%lf %lf %lf %lf %lf %lf %d %d %d", v.p[0], v.p[1], v.p[2], n[0], n[1], n[2], v.colour[0],
                   v.colour[1], v.colour[2]) == 9)
        vertices.push_back(v);
    return vertices;
}

// markerpick's rule with its default tolerance: every channel within 9.
bool matches(const Colour& c, const Colour& marker)
{
    for (int i = 0; i < 3; ++i)
        if (std::abs(c[i] - marker[i]) >= 10)
            return false;
    return true;
}

Vec3 to_frame(const Transform& t, const Vec3& cloud)
{
    Vec3 d{cloud[0] - t.shift[0], cloud[1] - t.shift[1], cloud[2] - t.shift[2]};
    Vec3 out{};
    for (int i = 0; i < 3; ++i)
        out[i] = (t.rotation[0][i] * d[0] + t.rotation[1][i] * d[1] + t.rotation[2][i] * d[2]) / t.scale;
    return out;
}

} // namespace

TEST(Field, CovarianceIsExponentialAndRowsMatchPoints)
{
    Random random(5);
    const double rms = 2.0, length = 8.0;
    const Field field(rms, length, 1024, random);
    // Averaged over directions, the covariance of the modes follows rms² exp(-r/L).
    for (double r : {0.0, 1.0, 4.0, 8.0, 16.0, 32.0}) {
        double sum = 0.0;
        const int directions = 36;
        for (int d = 0; d < directions; ++d) {
            const double a = std::numbers::pi * d / directions;
            sum += field.covariance(r * std::cos(a), r * std::sin(a));
        }
        EXPECT_NEAR(sum / directions, rms * rms * std::exp(-r / length), 0.04 * rms * rms) << "r = " << r;
    }
    // The rotating recurrence along a row gives the heights of the direct sum.
    std::vector<double> row(400);
    field.row(12.5, -3.0, 0.25, row);
    for (std::size_t i = 0; i < row.size(); i += 37)
        EXPECT_NEAR(row[i], field.at(-3.0 + 0.25 * static_cast<double>(i), 12.5), 1e-9);
}

// (That every marker point and no surface point has a marker's colour is seen
// by markerpick on every cloud of tests/road: its counts are exact.)
TEST(Layout, Shares)
{
    // The last: the largest cloud on the finest lattice, no overflow on the way.
    for (const auto& [total, cells] : std::vector<std::pair<long long, long long>>{
             {0, 81}, {7, 81}, {1000, 81}, {20000000, 81}, {2147483647, 2400 * 2400}}) {
        long long sum = 0, wrong = 0;
        for (long long i = 0; i < cells; ++i) {
            const long long s = cell_share(total, cells, i);
            wrong += s != total / cells && s != total / cells + 1;
            sum += s;
        }
        EXPECT_EQ(sum, total);
        EXPECT_EQ(wrong, 0);
    }
}

// A cloud with the heights of the field, and one interpolated on its lattice.
TEST(Cloud, LayoutMarkersPlacementAndHeightsAsDescribed)
{
    for (int points : {3000, 60000}) {
        SCOPED_TRACE(points);
        CloudSettings settings;
        settings.seed = 7;
        settings.points = points;
        settings.marker_points = 40;
        settings.modes = 32;
        auto out = pipeline::Writer::in_memory(), again = pipeline::Writer::in_memory();
        const CloudSummary summary = write_cloud(settings, out);
        write_cloud(settings, again);
        const std::string text = out.memory_text();
        EXPECT_EQ(text, again.memory_text()); // the seed decides everything
        const auto vertices = read_ply(text);
        ASSERT_EQ(vertices.size(), static_cast<std::size_t>(points));
        EXPECT_EQ(summary.surface_points, points - 3 * 40);
        EXPECT_EQ(summary.exact_heights, points == 3000);
        Random field_random(outils::derived_seed(settings.seed, 1, 0)); // as the generator draws it
        const Field field(settings.rms, settings.length, settings.modes, field_random);
        const Lattice& l = summary.lattice;
        const auto [long_waves, short_waves] = field.split(lattice_phase / l.step);
        const auto centres = marker_centres(settings);
        int found[3] = {0, 0, 0};
        long long in_frame = 0;
        double worst = 0.0;
        for (const Vertex& v : vertices) {
            const Vec3 f = to_frame(summary.transform, v.p);
            int marker = -1;
            for (int m = 0; m < 3; ++m)
                if (matches(v.colour, marker_colours[m]))
                    marker = m;
            if (marker >= 0) {
                ++found[marker];
                EXPECT_LT(std::hypot(f[0] - centres[marker][0], f[1] - centres[marker][1]), 1.5 + 1e-3);
                EXPECT_NEAR(f[2], 0.0, 1e-3);
                continue;
            }
            EXPECT_TRUE(f[0] > -3.001 && f[0] < 103.001 && f[1] > -3.001 && f[1] < 103.001);
            in_frame += f[0] > 2 && f[0] < 98 && f[1] > 2 && f[1] < 98;
            double expected = field.at(f[0], f[1]);
            if (!summary.exact_heights) { // the long waves bilinear between the corners of its lattice cell
                const double gx = (f[0] - l.origin) / l.step, gy = (f[1] - l.origin) / l.step;
                const double cx = std::floor(gx), cy = std::floor(gy), u = gx - cx, w = gy - cy;
                const double x0 = l.origin + cx * l.step, y0 = l.origin + cy * l.step, x1 = x0 + l.step,
                             y1 = y0 + l.step;
                expected = (1 - u) * (1 - w) * long_waves.at(x0, y0) + u * (1 - w) * long_waves.at(x1, y0) +
                           (1 - u) * w * long_waves.at(x0, y1) + u * w * long_waves.at(x1, y1) +
                           short_waves.at(f[0], f[1]);
            }
            worst = std::max(worst, std::abs(f[2] - expected));
        }
        EXPECT_EQ(std::vector<int>(found, found + 3), std::vector<int>(3, 40));
        EXPECT_NEAR(static_cast<double>(in_frame), static_cast<double>(summary.frame_points), 3.0);
        EXPECT_LT(worst, 1e-4); // the six decimals of the file
    }
}

TEST(Options, DefaultsValuesAndRefusals)
{
    auto parse = [](std::vector<std::string> words) { return parse_arguments(words); };
    Parsed p = parse({"nuage", "--points", "5000", "--azimut=120", "--decalage", "1,-2.5,3e2"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.request.cloud.points, 5000);
    EXPECT_EQ(p.request.cloud.azimuth.value(), 120.0);
    EXPECT_FALSE(p.request.cloud.tilt.has_value()); // drawn from the seed
    EXPECT_EQ(p.request.cloud.shift.value(), (Vec3{1.0, -2.5, 300.0}));
    p = parse({"grille", "--remplacer", "--entete", "39x24x2.0"}); // a word alone, anywhere
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.request.grid.steps_first * 100 + p.request.grid.steps_second, 3924);
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {}, {"nuage", "--points"}, {"nuage", "--points", "12abc"}, {"nuage", "--points", "99999999999"},
             {"nuage", "--rms", "nan"}, {"nuage", "--points", "100", "--points-coin", "40"},
             {"nuage", "--entete", "2x2x1"}, {"grille", "--entete", "2x0x1"}})
        EXPECT_FALSE(parse(bad).ok) << (bad.empty() ? "" : bad.back());
}
