// Exact fixed-point text of a double, as printf's "%.Nf" writes it in the C
// locale: the binary value rounded to N decimals, ties to even, a minus sign
// for every negative value (negative zero and values that round to zero
// included), "inf", "-inf", "nan" and "-nan".
#pragma once

#include <cstddef>

namespace pipeline {

// Room that format_fixed may need for `decimals` decimals: the 309 digits of
// the largest double, a sign, a point and the decimals.
constexpr std::size_t fixed_text_room(int decimals)
{
    return 312 + static_cast<std::size_t>(decimals);
}

// Writes the text at `out`, which has fixed_text_room(decimals) bytes, and
// returns the end of what it wrote. decimals: 0 or more.
char* format_fixed(char* out, double value, int decimals);

} // namespace pipeline
