#pragma once

#include "CaptionBand.h"
#include "Colour.h"
#include "clsQRCode.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::render {

// The symbol as an SVG drawing: a background square of side + 2 * margin units with one path of
// unit squares in the foreground colour (one more for every 4096 runs of dark modules, since
// Qt SVG refuses longer paths), drawn with crisp edges; scale pixels per unit for the
// drawing's width and height, or, with unit ("mm", "in"), unitsPerModule of that unit, written
// with at most decimals places. A caption's band, when given, makes the drawing band->Modules
// higher under the quiet zone and holds its element.
// The fill attribute of an SVG shape in colour: fill="#rrggbb", with fill-opacity when the
// colour is not opaque.
std::string SvgFill(Colour colour);

std::string SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin = 4,
                    Colour dark = Black, Colour light = White, double unitsPerModule = 0,
                    std::string_view unit = {}, int decimals = 4,
                    const CaptionBand* band = nullptr);

} // namespace ostrel::render
