#include "common/number_text.hpp"

#include <fast_float/fast_float.h>

namespace pipeline {

double NumberText::value() const
{
    double v = 0;
    if (length_ == 0)
        std::memcpy(&v, bytes_, sizeof v);
    else
        fast_float::from_chars(bytes_, bytes_ + length_, v); // correctly rounded, as strtod
    return v;
}

// Why the digits give printf's text. The text's value x is a multiple of
// 10^-6 (at most 6 decimals) below 10^9 < 2^30 in magnitude (at most 9 whole
// digits). "%lf" reads the double d nearest to x; doubles below 2^30 are at
// most 2^(29-52) = 2^-23 apart, so |d - x| <= 2^-24 < 0.5 * 10^-6. "%lf"
// writes the multiple of 10^-6 nearest to d: x is within half a step of d,
// and every other multiple at least 10^-6 - 2^-24 away, more than half a
// step, so it is x, with no tie to settle. The sign is d's: negative exactly
// when the text starts with "-" (strtod keeps the sign of "-0.0" too).
char* NumberText::copy_as_lf(char* out) const
{
    const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    const char* p = bytes_;
    const char* end = bytes_ + length_;
    if (p < end && *p == '-')
        *out++ = *p++;
    while (end - p > 1 && *p == '0' && is_digit(p[1]))
        ++p; // leading zeros, but the last before the point or the end
    const char* whole = p;
    while (p < end && is_digit(*p))
        ++p;
    const std::ptrdiff_t whole_digits = p - whole;
    const std::ptrdiff_t decimals = p < end ? end - p - 1 : 0;
    if (whole_digits > 9 || decimals > 6 || length_ == 0)
        return nullptr;
    if (whole_digits == 0)
        *out++ = '0';
    // The digits and the point as they are (in one piece of 16 bytes when the
    // bytes held go that far), then zeros up to six decimals.
    if (whole + 16 <= bytes_ + capacity)
        std::memcpy(out, whole, 16);
    else
        std::memcpy(out, whole, static_cast<std::size_t>(end - whole));
    out += end - whole;
    if (p == end)
        *out++ = '.';
    std::memcpy(out, "000000", 6);
    return out + 6 - decimals;
}

} // namespace pipeline
