#pragma once

#include <cstdint>
#include <vector>

namespace ostrel::render {

// A picture fitted into a square for a logo (LogoOverlay) without Qt: its proportions kept,
// centred, the rest transparent, every square pixel the average of the picture's pixels under it
// (alpha-weighted, so transparent pixels lend no colour), or the nearest one when enlarging.
class LogoPixels {
public:
    // rgba: width x height pixels, straight alpha, row by row; pixels x pixels out (empty when a
    // size is not positive or rgba is null).
    static std::vector<std::uint8_t> Fit(const std::uint8_t* rgba, std::int32_t width,
                                         std::int32_t height, std::int32_t pixels);
};

} // namespace ostrel::render
