#include "tests/road/road_support.hpp"
#include "common/repere.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace road_test {

double Truth::operator[](const std::string& name) const
{
    const auto found = numbers.find(name);
    EXPECT_NE(found, numbers.end()) << name << " missing from parametres_vrais.txt";
    return found == numbers.end() || found->second.empty() ? std::nan("") : found->second.front();
}

synth::Transform Truth::transform() const
{
    synth::Transform t;
    const auto& r = numbers.at("rotation");
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t.rotation[i][j] = r.at(3 * i + j);
    const auto& s = numbers.at("decalage");
    t.shift = {s.at(0), s.at(1), s.at(2)};
    t.scale = (*this)["cote_x"] / 100.0;
    return t;
}

Truth read_truth(const program_test::WorkDir& dir)
{
    Truth truth;
    auto in = pipeline::Reader::over_text(dir.read("parametres_vrais.txt"));
    std::string line, name;
    while (in.read_line(line)) {
        auto words = pipeline::Reader::over_text(line);
        if (words.scan("%s", name) != 1)
            continue;
        auto& values = truth.numbers[name]; // none for a word
        for (double v; words.scan("%lf", v) == 1;)
            values.push_back(v);
    }
    return truth;
}

double printed_rms(const std::string& out)
{
    const auto at = out.find("RMS=");
    double rms = std::nan("");
    if (at != std::string::npos)
        pipeline::Reader::over_text(out.substr(at + 4)).scan("%lf", rms);
    return rms;
}

int kept_points(const std::string& log)
{
    const auto at = log.find(" points dans le cadre.");
    int kept = -1;
    if (at != std::string::npos)
        pipeline::Reader::over_text(log.substr(log.rfind('\n', at) + 1)).scan("%d", kept);
    return kept;
}

std::vector<synth::Vec3> through_found_frame(const program_test::WorkDir& measured, const Truth& truth,
                                             const std::vector<synth::Vec3>& frame_points)
{
    pipeline::Point o{}; // the origin
    pipeline::Rotation r;
    double scale = NAN;
    auto base = pipeline::Reader::over_text(measured.read("base.txt"));
    EXPECT_EQ(base.scan("%lf %lf %lf %lf %lf %lf %lf", o[0], o[1], o[2], r.rotX, r.rotY, r.rotZ, scale), 7);
    const pipeline::Matrice3 rotation = pipeline::matriceRotation(r.rotX, r.rotY, r.rotZ);
    const synth::Transform t = truth.transform();
    std::vector<synth::Vec3> out;
    for (const synth::Vec3& p : frame_points)
        out.push_back(pipeline::versRepere(t.point(p), o, rotation, scale));
    return out;
}

void Spread::add(double value)
{
    moments.add(value);
    low = std::min(low, value);
    high = std::max(high, value);
}

std::string Spread::text() const
{
    char line[160];
    std::snprintf(line, sizeof line, "moyenne %.4f ecart-type %.4f min %.4f max %.4f", moments.mean(), moments.rms(),
                  low, high);
    return line;
}

} // namespace road_test
