// Synthetic measurements through the whole photogrammetric road, as a user
// runs it: rugosite-synthese writes the cloud and its true parameters,
// rugosite-chaine runs the six programs in the same directory.
#pragma once

#include "tests/support/program_run.hpp"
#include "tools/synthese/synthese.hpp"

#include <map>
#include <string>
#include <vector>

namespace road_test {

// parametres_vrais.txt: each line a name and its values.
struct Truth {
    std::map<std::string, std::vector<double>> numbers;
    double operator[](const std::string& name) const;
    synth::Transform transform() const; // frame to cloud
};

Truth read_truth(const program_test::WorkDir& dir);

// The number after "RMS=" in reliefstat's output, NaN when there is none.
double printed_rms(const std::string& out);

// "kept/read points dans le cadre." in the run log: the points kept by delimiter.
int kept_points(const std::string& log);

// Puts cloud points at the given frame positions, through the true placement,
// and takes them into the frame of `measured` (its base.txt) as delimiter does:
// the positions found.
std::vector<synth::Vec3> through_found_frame(const program_test::WorkDir& measured, const Truth& truth,
                                             const std::vector<synth::Vec3>& frame_points);

// Mean, deviation and range of one figure over repeated trials.
struct Spread {
    synth::Moments moments;
    double low = 1e300, high = -1e300;
    void add(double value);
    std::string text() const; // "moyenne m ecart-type d min a max b"
};

} // namespace road_test
