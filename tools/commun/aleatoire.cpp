#include "tools/commun/aleatoire.hpp"

#include <algorithm>
#include <cmath>

namespace outils {

namespace {
std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
} // namespace

std::uint64_t splitmix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t derived_seed(std::uint64_t seed, std::uint64_t stream, std::uint64_t index)
{
    auto mix = [](std::uint64_t x) { return splitmix64(x); };
    return mix(mix(mix(seed) ^ stream) ^ index);
}

Random::Random(std::uint64_t seed)
{
    for (auto& s : state_)
        s = splitmix64(seed);
}

std::uint64_t Random::next()
{
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
}

double Random::uniform()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double Random::symmetric()
{
    // 53 random bits to [0, 2), then shifted: never exactly -1 or below.
    return static_cast<double>(next() >> 11) * 0x1.0p-52 - 1.0;
}

double Random::normal()
{
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    double u, v, s;
    do {
        u = symmetric();
        v = symmetric();
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double factor = std::sqrt(-2.0 * std::log(s) / s);
    spare_ = v * factor;
    has_spare_ = true;
    return u * factor;
}

int Random::integer(int low, int high)
{
    const double span = static_cast<double>(high) - static_cast<double>(low) + 1.0;
    return low + std::min(static_cast<int>(uniform() * span), high - low);
}

} // namespace outils
