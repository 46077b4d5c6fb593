#pragma once

#include "Colour.h"
#include "ModuleRects.h"

#include <string>

namespace ostrel::render {

// Writes a symbol as an Encapsulated PostScript file (EPSF 3.0, PostScript language level 2):
// width x height modules of modulePoints points each, quiet zone included. The bounding box is
// the drawing: %%HiResBoundingBox exactly, %%BoundingBox in whole points rounded up as the
// format requires. The ground is one rectangle in the light colour, the dark modules one filled
// path of rectangles (ModuleRects) in module units, so that no seam shows between modules.
//
// PostScript has no transparency: a colour that is not opaque is laid over the one beneath it
// (the light colour over white paper, the dark one over the light colour), and a fully
// transparent ground is not painted at all, so the page beneath shows. With cmyk the colours are
// process colours (setcmykcolor) instead of RGB. No date in the header: the same symbol gives
// the same bytes on every run.
class EpsWriter {
public:
    // The file, or empty when the drawing would be empty.
    static std::string Write(const ModuleRects& modules, double modulePoints, Colour dark,
                             Colour light, bool cmyk);
};

} // namespace ostrel::render
