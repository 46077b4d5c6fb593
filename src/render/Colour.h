#pragma once

#include <cstdint>

namespace ostrel::render {

// A colour of a picture or drawing, each channel 0..255; alpha 255 is opaque.
struct Colour {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    std::uint8_t Alpha = 255;

    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour Black{0, 0, 0, 255};
inline constexpr Colour White{255, 255, 255, 255};

} // namespace ostrel::render
