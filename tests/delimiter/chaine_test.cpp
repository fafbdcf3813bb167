// markerpick, framefit and delimiter in a row on generated clouds: the cropped
// cloud must come out in frame coordinates whatever the pose of the cloud.
#include "nuage_synthetique.hpp"
#include "program_run.hpp"

#include <gtest/gtest.h>

using namespace nuage_test;
using program_test::run;
using program_test::WorkDir;

namespace {

int chaine(const WorkDir& dir)
{
    for (const char* programme : {"markerpick", "framefit", "delimiter"})
        if (const int status = run(programme, {}, dir).status; status != 0)
            return status;
    return 0;
}

} // namespace

TEST(Chaine, CroppedCloudInFrameCoordinatesAtAnyPose)
{
    const Pose poses[] = {
        {0, 0, 100, {0, 0, 0}},       {120, 10, 0.4, {5, -3, 1.2}},     {-150, 25, 250, {1000, 2000, -50}},
        {80, 10, 3, {0, 0, 10}},      {275, 40, 17, {-7, 3, 0}},        {200, 150, 60, {1, 1, 1}},
        {90, 0, 100, {0, 0, 0}},      {180, 0, 100, {0, 0, 0}},
    };
    for (const Pose& pose : poses) {
        SCOPED_TRACE("azimut " + std::to_string(pose.azimut_deg) + ", inclinaison " +
                     std::to_string(pose.inclinaison_deg));
        WorkDir dir;
        const std::vector<Point> attendus = ecrireNuage(dir.path(), pose);
        ASSERT_EQ(chaine(dir), 0) << dir.read("log.txt");
        EXPECT_EQ(dir.read("nbr_point_par_coin.txt"), "49 49 49\n");
        const std::vector<Point> obtenus = lireTriplets(dir.read("cloud.txt"));
        ASSERT_EQ(obtenus.size(), attendus.size()); // a mirrored cloud loses most of its points
        double ecart_max = 0;
        for (std::size_t i = 0; i < obtenus.size(); ++i)
            for (int k = 0; k < 3; ++k)
                ecart_max = std::max(ecart_max, std::abs(obtenus[i][k] - attendus[i][k]));
        EXPECT_LT(ecart_max, 2e-3);
    }
}

TEST(Chaine, RejectedFrameLeavesNoCroppedCloud)
{
    // Y side 20 % short, then Y side at 127 degrees from X.
    for (auto [coin_Y, status] : {std::pair{std::array<double, 2>{0, 80}, 10}, {{-60, 80}, 20}}) {
        WorkDir dir;
        ecrireNuage(dir.path(), {30, 5, 10, {2, 2, 2}, coin_Y});
        dir.write("cloud.txt", "50.000000 50.000000 0.000000\n"); // an earlier run's
        EXPECT_EQ(run("markerpick", {}, dir).status, 0);
        EXPECT_EQ(run("framefit", {}, dir).status, status);
        EXPECT_EQ(dir.read("base.txt"), "");
        EXPECT_EQ(run("delimiter", {}, dir).status, 1);
        EXPECT_EQ(dir.read("cloud.txt"), "");
    }
}
