#pragma once

#include "CairoDocument.h"
#include "CaptionPainter.h"
#include "clsQRCode.h"

#include <cstdint>
#include <string>

namespace ostrel::label {

// A symbol with its caption as a PDF or EPS drawing: the ground, the dark modules as one path of
// rectangles, and the caption as real text in the embedded font, in the band under the quiet
// zone. The page is the symbol with its quiet zone and the band, module points a module.
class CaptionDrawing {
public:
    static std::string Write(CairoDocument::Kind kind, const clsQRCode::Symbol& symbol,
                             std::int32_t margin, double module, render::Colour dark,
                             render::Colour light, const CaptionPainter& caption, double band);
};

} // namespace ostrel::label
