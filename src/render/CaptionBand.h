#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::render {

// A band under a symbol's quiet zone that holds a line of text (a caption), as the text's
// drawer made it: the picture grows by the band, the quiet zone stays as it is.
struct CaptionBand {
    // Pictures: Rows more rows of pixels, each as wide as the picture: the text's coverage,
    // 0 (the light colour) to 255 (the dark colour), row after row.
    std::int32_t Rows = 0;
    std::vector<std::uint8_t> Coverage;
    // SVG: the band's height in modules and the element that draws the text in it (user units
    // of one module, from the drawing's top-left corner).
    double Modules = 0;
    std::string Svg;
};

} // namespace ostrel::render
