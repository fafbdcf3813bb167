// The six-decimal texts of the values that the files hold are written here;
// every other value and precision by std::to_chars, which writes what printf
// writes.
//
// A double is m * 2^e with an integer m below 2^53. Its value times
// 10^decimals is m * 10^decimals / 2^-e exactly; m * 10^6 stays below 2^73,
// so that for -e from 10 to 63 (magnitudes from 2^-11 to 2^43) one 128-bit
// product and a shift give the rounded digits, below 2^63, with the remainder
// deciding ties exactly.
#include "common/fixed_text.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>

namespace pipeline {

namespace {

__extension__ typedef unsigned __int128 u128;

// Six decimals.
char* fixed(char* out, bool negative, std::uint64_t m, int s)
{
    constexpr std::uint64_t scale = 1000000;
    if (negative)
        *out++ = '-';
    std::uint64_t whole = m >> s;
    std::uint64_t part = 0;
    if (s >= 53 || (m & ((std::uint64_t{1} << s) - 1)) != 0) { // not a whole number (as colours often are)
        const u128 n = static_cast<u128>(m) * scale;
        auto q = static_cast<std::uint64_t>(n >> s);
        const u128 r = n - (static_cast<u128>(q) << s);
        const u128 half = static_cast<u128>(1) << (s - 1);
        if (r > half || (r == half && (q & 1) != 0))
            ++q;
        whole = q / scale;
        part = q % scale;
    }
    out = std::to_chars(out, out + 20, whole).ptr;
    *out++ = '.';
    for (int k = 6; k-- > 0; part /= 10)
        out[k] = static_cast<char>('0' + part % 10);
    return out + 6;
}

} // namespace

char* format_fixed(char* out, double value, int decimals)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int s = m == 0 ? 10 : 1075 - std::max(biased, 1); // zero, or -e
    if (s >= 10 && s <= 63 && decimals == 6)
        return fixed(out, negative, m, s);
    return std::to_chars(out, out + fixed_text_room(decimals), value, std::chars_format::fixed, decimals).ptr;
}

} // namespace pipeline
