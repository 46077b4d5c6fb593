#pragma once

#include "CaptionBand.h"
#include "Colour.h"
#include "LogoOverlay.h"
#include "clsQRCode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel::render {

// A symbol with a logo over its middle, as pictures and drawings: the pixels of the picture
// composited over the light colour (their alpha kept where the light colour has one), the
// function modules in the logo's square drawn over it. Pictures may also have a caption's band
// under the quiet zone (the logo then may be empty: a LogoOverlay of no pixels draws none).
class LogoComposite {
public:
    // A PNG of 8-bit RGBA, scale x scale pixels a module, a quiet zone of margin modules; empty
    // when the picture would be too large (more than MaxPixels) or zlib fails.
    static std::string Png(const clsQRCode::Symbol& symbol, const LogoOverlay& logo,
                           std::int32_t scale, std::int32_t margin, Colour dark, Colour light,
                           std::optional<std::int32_t> dpi, const CaptionBand* band = nullptr);
    // A 24-bit BMP, black on white (the tool's bitmaps have no other colours); resolution as
    // BmpWriter states it.
    static std::string Bmp(const clsQRCode::Symbol& symbol, const LogoOverlay& logo,
                           std::int32_t scale, std::int32_t margin, std::optional<std::int32_t> dpi,
                           const CaptionBand* band = nullptr);
    // An SVG drawing (SvgText's, user units of one module) with the logo added: an SVG logo
    // nested as a group of its elements, else its pixels as a PNG data URI (href and xlink:href),
    // and the function modules of the square drawn over it.
    static std::string Svg(const std::string& drawing, const clsQRCode::Symbol& symbol,
                           const LogoOverlay& logo, std::int32_t margin, Colour dark, Colour light);
    // The logo's own pixels as an RGBA PNG (for a data URI).
    static std::string LogoPng(const LogoOverlay& logo);

    static constexpr std::int64_t MaxPixels = 64LL * 1024 * 1024;
};

} // namespace ostrel::render
