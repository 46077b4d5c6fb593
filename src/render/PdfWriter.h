#pragma once

#include "Colour.h"
#include "LogoOverlay.h"
#include "ModuleRects.h"
#include "clsQRCode.h"

#include <string>

namespace ostrel::render {

// Writes a symbol as a one-page PDF file (PDF 1.4, ISO 32000-1) whose page is exactly the
// drawing: width x height modules of modulePoints points each, quiet zone included. The page is
// the light colour, and the dark modules are one filled path of rectangles (ModuleRects) in one
// compressed content stream, in module units through a single transformation, so that no seam
// shows between modules at any zoom and no raster image is involved. Colours that are not opaque
// get a graphics state with their opacity (/ca); a fully transparent ground is not painted. With
// cmyk the colours are process colours (DeviceCMYK) instead of DeviceRGB.
//
// The file holds no date, no producer and no document ID: the same symbol gives the same bytes
// on every run and in every thread (the content stream goes through zlib at a fixed level).
//
// A logo (LogoOverlay, over the symbol's modules from the quiet zone's margin on) is an RGB image
// with its alpha as a soft mask, drawn over its square; the function modules in the square are
// painted over it.
class PdfWriter {
public:
    struct Logo {
        const LogoOverlay& Picture;
        const clsQRCode::Symbol& Symbol;
        std::int32_t Margin = 0;
    };

    // The file, or empty when the page would be empty or zlib fails.
    static std::string Write(const ModuleRects& modules, double modulePoints, Colour dark,
                             Colour light, bool cmyk, const Logo* logo = nullptr);
};

} // namespace ostrel::render
