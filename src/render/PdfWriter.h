#pragma once

#include "Colour.h"
#include "ModuleRects.h"

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
class PdfWriter {
public:
    // The file, or empty when the page would be empty or zlib fails.
    static std::string Write(const ModuleRects& modules, double modulePoints, Colour dark,
                             Colour light, bool cmyk);
};

} // namespace ostrel::render
