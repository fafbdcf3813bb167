// A double is m * 2^e with an integer m below 2^53. When e < 0, its value times
// 10^decimals is m * 10^decimals / 2^-e exactly, and m * 10^decimals stays
// below 2^110 for up to 17 decimals: one 128-bit product and a shift give the
// rounded digits, with the remainder deciding ties exactly. Integers up to 2^63
// are written directly; larger values, infinities and NaNs go to the C
// library's snprintf, whose text this is.
#include "fixed_text.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

namespace pipeline {

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr std::uint64_t power_of_ten(int n)
{
    std::uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

constexpr auto digit_pairs = [] {
    std::array<char, 200> pairs{};
    for (int k = 0; k < 100; ++k) {
        pairs[static_cast<std::size_t>(2 * k)] = static_cast<char>('0' + k / 10);
        pairs[static_cast<std::size_t>(2 * k + 1)] = static_cast<char>('0' + k % 10);
    }
    return pairs;
}();

// Writes exactly `digits` decimal digits of v, with leading zeros, two at a time.
template <int digits>
char* write_padded(char* out, std::uint64_t v)
{
    int k = digits;
    while (k >= 2) {
        k -= 2;
        std::memcpy(out + k, &digit_pairs[2 * (v % 100)], 2);
        v /= 100;
    }
    if (k == 1)
        out[0] = static_cast<char>('0' + v % 10);
    return out + digits;
}

// The digits for a fixed number of decimals, so that the divisions by the
// power of ten are by a constant.
template <int decimals>
char* finite_fixed(char* out, bool negative, std::uint64_t m, int e)
{
    if (negative)
        *out++ = '-';
    constexpr std::uint64_t scale = power_of_ten(decimals);
    std::uint64_t whole = 0;
    std::uint64_t part = 0;
    if (e >= 0) {
        whole = m << e;
    } else if (-e < 53 && (m & ((std::uint64_t{1} << -e) - 1)) == 0) {
        whole = m >> -e; // a whole number: zero decimals, nothing to round
    } else if (-e < 128) {
        const int s = -e;
        const u128 n = static_cast<u128>(m) * scale;
        u128 q = n >> s;
        const u128 r = n - (q << s);
        const u128 half = static_cast<u128>(1) << (s - 1);
        if (r > half || (r == half && (q & 1) != 0))
            ++q;
        if (q >> 64 == 0) {
            whole = static_cast<std::uint64_t>(q) / scale;
            part = static_cast<std::uint64_t>(q) % scale;
        } else {
            whole = static_cast<std::uint64_t>(q / scale);
            part = static_cast<std::uint64_t>(q % scale);
        }
    }
    // else: below 2^-127 * 2^53, far under half a unit of the last decimal: zero.

    out = std::to_chars(out, out + 20, whole).ptr;
    if constexpr (decimals > 0) {
        *out++ = '.';
        out = write_padded<decimals>(out, part);
    }
    return out;
}

template <int... d>
constexpr auto table(std::integer_sequence<int, d...>)
{
    return std::array{&finite_fixed<d>...};
}
constexpr auto by_decimals = table(std::make_integer_sequence<int, 18>());

} // namespace

char* format_fixed(char* out, double value, int decimals)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);

    const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int e = biased == 0 ? -1074 : biased - 1075;
    if (e > 10 || decimals < 0 || decimals >= static_cast<int>(by_decimals.size())) {
        const int n = std::snprintf(out, fixed_text_room(decimals), "%.*f", decimals, value);
        return out + n;
    }
    return by_decimals[static_cast<std::size_t>(decimals)](out, negative, m, e);
}

} // namespace pipeline
