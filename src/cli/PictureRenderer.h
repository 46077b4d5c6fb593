#pragma once

#include "CliOptions.h"
#include "clsQRCode.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <string_view>

namespace ostrel::cli {

// The symbol as an SVG drawing: a background square of side + 2 * margin units with one path of
// unit squares in the foreground colour (one more for every 4096 runs of dark modules, since
// Qt SVG refuses longer paths), drawn with crisp edges; scale pixels per unit for the
// drawing's width and height, or, with unit ("mm", "in"), unitsPerModule of that unit, written
// with at most decimals places.
QByteArray SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin = 4,
                   Colour dark = Black, Colour light = White, double unitsPerModule = 0,
                   std::string_view unit = {}, int decimals = 4);

// The symbol as a 1-bit image (white 0, black 1), scale x scale pixels per module with a white
// margin of margin modules: a version 40 symbol at the largest scale stays a few megabytes
// instead of a gigabyte of 32-bit pixels. A null image when it cannot be allocated.
QImage SymbolPicture(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin);

// The picture in BMP file format; empty when it cannot be encoded.
QByteArray BmpFile(const QImage& picture);

} // namespace ostrel::cli
