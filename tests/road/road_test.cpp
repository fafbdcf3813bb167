// The photogrammetric road from end to end on synthetic clouds of known
// placement and roughness: the frame is found whatever the turn, tilt, shift and
// scale of the cloud, the cropped cloud comes out in frame coordinates, the grid
// reaches reliefstat with the RMS height of the surface drawn, and a cloud whose
// markers are missing or whose frame is skewed stops at framefit with its status.
#include "tests/road/road_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace road_test;

namespace {

// The clouds of these tests: 60000 points, markers of 60 points, a grid of 50
// steps (step 2) with a capture radius of a quarter step.
const std::vector<std::string> grid_settings{"--", "50", "0.25"};

std::vector<std::string> cloud_args(int seed, std::vector<std::string> placement)
{
    std::vector<std::string> args{"nuage", "--points", "60000", "--points-coin", "60", "--modes", "256",
                                  "--graine", std::to_string(seed)};
    args.insert(args.end(), placement.begin(), placement.end());
    return args;
}

// Frame positions well inside the frame, away from its corners and edges.
const std::vector<synth::Vec3> probes{{10, 10, 0}, {90, 10, 0}, {10, 90, 0}, {50, 50, 5}, {97, 97, -3}};

struct Outcome {
    double worst_probe = NAN;   // largest distance between a probe and its image
    double kept_share = NAN;    // points kept by delimiter / points drawn inside the frame
    double rms_ratio = NAN;     // RMS printed by reliefstat / RMS of the surface drawn
};

// One cloud through the whole road.
Outcome measure(int seed, const std::vector<std::string>& placement)
{
    Outcome outcome;
    const program_test::WorkDir dir;
    const auto made = synthese(dir, cloud_args(seed, placement));
    EXPECT_EQ(made.status, 0) << made.out;
    const auto run = chain(dir, grid_settings);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(run.err.starts_with("\nrugosite-chaine : resume de la mesure\n")) << run.err;
    if (run.status != 0)
        return outcome;
    const Truth truth = read_truth(dir);

    const auto images = through_found_frame(dir, truth, probes);
    EXPECT_EQ(images.size(), probes.size());
    outcome.worst_probe = 0.0;
    for (std::size_t i = 0; i < std::min(images.size(), probes.size()); ++i)
        outcome.worst_probe = std::max(outcome.worst_probe, std::hypot(images[i][0] - probes[i][0],
                                                                       images[i][1] - probes[i][1],
                                                                       images[i][2] - probes[i][2]));
    outcome.kept_share = kept_points(dir.read("log.txt")) / truth["points_dans_le_cadre"];
    EXPECT_TRUE(dir.read("grille.txt").starts_with("50x50x2.000000\n"));
    outcome.rms_ratio = printed_rms(run.out) / truth["rms_realise"];
    return outcome;
}

} // namespace

// Tolerances, from the trials below (40 clouds of random placement, seeds 1 to
// 40; written down in docs/developpement.md). The worst probe lay 0.08 to 0.76 from its
// place (mean 0.32): framefit takes the midpoint of the two farthest points of a
// marker as its centre, which misses the centre of a disc of radius 1.5 by a
// few tenths. The kept share ranged over 0.992 to 1.009 (the crop follows the
// frame found), the RMS ratio over 0.975 to 0.997 (mean 0.987, deviation 0.006:
// the capture disc averages a few points and smooths the heights). The bounds
// leave about twice the spread seen; a wrong turn, tilt or scale of the frame
// moves the probes by whole units.
TEST(Road, FrameFoundAndRoughnessKeptAtAnyPlacement)
{
    const std::vector<std::pair<int, std::vector<std::string>>> placements{
        {1, {"--azimut", "0", "--inclinaison", "0", "--cote-x", "100", "--decalage", "0,0,0"}},
        {2, {"--azimut", "135", "--inclinaison", "20", "--direction-inclinaison", "40"}},
        {3, {"--azimut", "250", "--inclinaison", "60", "--direction-inclinaison", "300", "--cote-x", "0.5"}},
        {4, {"--azimut", "300", "--inclinaison", "150", "--direction-inclinaison", "10", "--cote-x", "5000"}},
        {5, {"--azimut", "95", "--inclinaison", "89", "--decalage", "-20000,35000,-1"}},
        {6, {}}, // placement drawn from the seed
        {7, {}},
    };
    for (const auto& [seed, placement] : placements) {
        SCOPED_TRACE("graine " + std::to_string(seed));
        const Outcome o = measure(seed, placement);
        EXPECT_LT(o.worst_probe, 1.5);
        EXPECT_NEAR(o.kept_share, 1.0, 0.02);
        EXPECT_GT(o.rms_ratio, 0.96);
        EXPECT_LT(o.rms_ratio, 1.01);
    }
}

TEST(Road, BadMarkersStopAtFramefitAndTheRunnerSaysSo)
{
    struct Case {
        std::vector<std::string> cloud, markers;
        int status;
        std::string message;
    };
    const std::string few = "Moins de 10 points pour l'un des coins";
    const std::vector<Case> cases{
        {{"--sans-coin", "Y"}, {}, 5, few},
        {{"--points-coin", "9"}, {}, 5, few},
        {{}, {"10,10,10", "20,20,20", "30,30,30", "10"}, 5, few}, // colours that no marker has
        {{"--cote-y", "125"}, {}, 10, "Les vecteurs sont de tailles trop eloignees"},
        {{"--angle-cadre", "70"}, {}, 20, "L'angle entre les vecteurs n'est pas droit"},
        {{"--angle-cadre", "120"}, {}, 20, "L'angle entre les vecteurs n'est pas droit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + " " + std::to_string(c.status));
        const program_test::WorkDir dir;
        std::vector<std::string> args{"nuage", "--points", "8000", "--points-coin", "60", "--modes", "64"};
        args.insert(args.end(), c.cloud.begin(), c.cloud.end());
        ASSERT_EQ(synthese(dir, args).status, 0);
        std::vector<std::string> chain_args = c.markers;
        chain_args.insert(chain_args.end(), grid_settings.begin(), grid_settings.end());
        const auto run = chain(dir, chain_args);
        EXPECT_EQ(run.status, c.status);
        // framefit's own line, why it stopped, comes first; the runner's line ends.
        const std::string runner = "rugosite-chaine : arret apres framefit, statut de sortie " +
                                   std::to_string(c.status) + "\n";
        EXPECT_TRUE(run.err.starts_with("framefit : ") && run.err.ends_with(runner)) << run.err;
        EXPECT_NE(dir.read("log.txt").find(c.message), std::string::npos);
        EXPECT_EQ(dir.read("base.txt"), ""); // so that a delimiter run by hand stops too
        EXPECT_FALSE(dir.exists("cloud.txt"));
        EXPECT_FALSE(dir.exists("grille.txt"));
    }
}

// The trials behind the tolerances above; run by hand with
//   road_tests --gtest_also_run_disabled_tests --gtest_filter='*Trials*'
TEST(Road, DISABLED_Trials)
{
    Spread probe, kept, ratio;
    for (int seed = 1; seed <= 40; ++seed) {
        const Outcome o = measure(seed, {});
        probe.add(o.worst_probe);
        kept.add(o.kept_share);
        ratio.add(o.rms_ratio);
        std::printf("graine %d : sonde %.4f, part gardee %.5f, rapport RMS %.4f\n", seed, o.worst_probe,
                    o.kept_share, o.rms_ratio);
    }
    std::printf("sonde : %s\npart gardee : %s\nrapport RMS : %s\n", probe.text().c_str(), kept.text().c_str(),
                ratio.text().c_str());
}
