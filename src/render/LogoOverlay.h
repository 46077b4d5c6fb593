#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::render {

// A picture drawn over the middle of a symbol whose modules there are cleared (clsLogoArea): the
// square of modules it covers, its pixels, and the function modules that are drawn over it.
struct LogoOverlay {
    std::int32_t X = 0; // the square's first column and row in the symbol, in modules
    std::int32_t Y = 0;
    std::int32_t Side = 0;   // the square's side in modules
    std::int32_t Pixels = 0; // Rgba holds Pixels x Pixels pixels
    // Red, green, blue, alpha (not premultiplied), row by row; the picture fitted in the square.
    std::vector<std::uint8_t> Rgba;
    // Symbol columns x rows: 1 where a function module stays drawn over the picture.
    std::vector<std::uint8_t> Function;
    // An SVG picture's own text: SVG drawings nest it instead of the pixels.
    std::string Svg;
};

} // namespace ostrel::render
