// The six- and one-decimal texts of the values that the files hold are
// written here; every other value and precision by std::to_chars, which
// writes what printf writes.
//
// A double is m * 2^e with an integer m below 2^53. Its value times
// 10^decimals is m * 10^decimals / 2^-e exactly; m * 10^6 stays below 2^73,
// so that for -e from 10 to 63 (magnitudes from 2^-11 to 2^43) one 128-bit
// product and a shift give the rounded digits, below 2^63, with the remainder
// deciding ties exactly.
#include "fixed_text.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace pipeline {

namespace {

__extension__ typedef unsigned __int128 u128;

template <int decimals>
char* fixed(char* out, bool negative, std::uint64_t m, int s)
{
    constexpr std::uint64_t scale = decimals == 1 ? 10 : 1000000;
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
    for (int k = decimals; k-- > 0; part /= 10)
        out[k] = static_cast<char>('0' + part % 10);
    return out + decimals;
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
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
        return fixed<6>(out, negative, m, s);
    if (s >= 10 && s <= 63 && decimals == 1)
        return fixed<1>(out, negative, m, s);
    return std::to_chars(out, out + fixed_text_room(decimals), value, std::chars_format::fixed, decimals).ptr;
}

// Why the digits give printf's text. The text's value x is a multiple of
// 10^-6 (at most 6 decimals) below 10^9 < 2^30 in magnitude (at most 9 whole
// digits). "%lf" reads the double d nearest to x; doubles below 2^30 are at
// most 2^(29-52) = 2^-23 apart, so |d - x| <= 2^-24 < 0.5 * 10^-6. "%lf"
// writes the multiple of 10^-6 nearest to d: x is within half a step of d,
// and every other multiple at least 10^-6 - 2^-24 away, more than half a
// step, so it is x, with no tie to settle. The sign is d's: negative exactly
// when the text starts with "-" (strtod keeps the sign of "-0.0" too).
char* fixed_from_decimal_text(char* out, std::string_view plain)
{
    const char* p = plain.data();
    const char* end = p + plain.size();
    if (p < end && *p == '-')
        *out++ = *p++;
    while (end - p > 1 && *p == '0' && is_digit(p[1]))
        ++p; // leading zeros, but the last before the point or the end
    const char* whole = p;
    while (p < end && is_digit(*p))
        ++p;
    const std::size_t whole_digits = static_cast<std::size_t>(p - whole);
    const std::size_t decimals = p < end ? static_cast<std::size_t>(end - p - 1) : 0;
    if (whole_digits > 9 || decimals > 6 || plain.empty())
        return nullptr;
    if (whole_digits == 0)
        *out++ = '0';
    std::memcpy(out, whole, whole_digits);
    out += whole_digits;
    *out++ = '.';
    std::memcpy(out, p + (p < end), decimals);
    std::memset(out + decimals, '0', 6 - decimals);
    return out + 6;
}

} // namespace pipeline
