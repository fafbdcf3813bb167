// The one seeded random generator of the tools (the generator's clouds and
// grids, the report's simulated surfaces): the same numbers on every platform
// for a seed, because the engine and every conversion are written here (the
// standard distributions differ between libraries).
#pragma once

#include <cstdint>

namespace outils {

// One step of splitmix64: the next state's mix. It seeds the engine, derives
// seeds, and serves as a cheap stream of raw bits where that is all a caller
// needs.
std::uint64_t splitmix64(std::uint64_t& state);

// A seed for draw `index` of stream `stream` of a seed: neighbouring streams
// and indices give unrelated sequences.
std::uint64_t derived_seed(std::uint64_t seed, std::uint64_t stream, std::uint64_t index);

// xoshiro256** seeded by splitmix64; normal deviates by Marsaglia's polar method.
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint64_t next(); // 64 random bits
    double uniform(); // [0, 1), 53 random bits
    double uniform(double low, double high) { return low + (high - low) * uniform(); }
    double normal(); // mean 0, standard deviation 1
    int integer(int low, int high); // low to high, both included

private:
    double symmetric(); // (-1, 1)
    std::uint64_t state_[4];
    bool has_spare_ = false;
    double spare_ = 0.0;
};

} // namespace outils
