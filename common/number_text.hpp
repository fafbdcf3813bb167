// A number as "%lf" read it, converted only when its value is asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pipeline {

// A program that uses few of the numbers it reads (the coordinates of the
// marker points only) checks the others as "%lf" would and never converts
// them; one that writes with "%lf" a number it read with "%lf" may copy its
// digits. The reader keeps the characters of a plain decimal number
// ([-] digits [. digits], a leading "+" dropped, at most `capacity` of them)
// and the double of any other.
class NumberText {
public:
    static constexpr std::size_t capacity = 31;

    NumberText() = default; // zero

    // Holds a plain decimal number of at most `capacity` characters, of which
    // `readable` bytes (its own or more) may be read.
    void hold_text(std::string_view plain, std::size_t readable)
    {
        if (readable >= capacity)
            std::memcpy(bytes_, plain.data(), capacity); // in one piece: the bytes past it go unused
        else
            std::memcpy(bytes_, plain.data(), plain.size());
        length_ = static_cast<std::uint8_t>(plain.size());
    }
    void hold_value(double value)
    {
        std::memcpy(bytes_, &value, sizeof value);
        length_ = 0;
    }

    // The double that "%lf" stores for the number.
    double value() const;
    // The characters of a plain decimal number; empty when the double was kept.
    std::string_view text() const { return {bytes_, length_}; }
    // Writes at `out` (32 bytes) what "%lf" writes of value(), straight from
    // the digits, and returns the end; nullptr when the digits may not give
    // that text (more than 9 whole digits, leading zeros aside, or more than 6
    // decimals) or the double was kept.
    char* copy_as_lf(char* out) const;

private:
    char bytes_[capacity] = {}; // the characters, or the double's bytes
    std::uint8_t length_ = 0;
};

} // namespace pipeline
