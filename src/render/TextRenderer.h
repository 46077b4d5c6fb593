#pragma once

#include "clsQRCode.h"

#include <string>

#include <cstdint>

namespace ostrel::render {

// The symbol with a light margin of margin modules on every side (none for the plain matrix):
// one line per module row, '1' dark and '0' light.
std::string MatrixText(const clsQRCode::Symbol& symbol, std::int32_t margin = 0);

// The symbol for a terminal in Unicode half blocks, two module rows per line: the upper half
// block stands for the upper row, the lower half block for the lower one. The glyphs' ink is the
// terminal's foreground, which is light on the usual dark terminal, so the ink draws the light
// modules and the quiet zone and the dark modules stay the terminal's background; with invert
// (for a light terminal, whose ink is dark) the ink draws the dark modules instead. An odd last
// row leaves the lower halves without ink.
std::string Utf8Text(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert);

// The symbol for a terminal with ANSI background colours: white (47) for light modules and the
// quiet zone, black (40) for dark ones, two blanks per module and one line per module row, each
// line ending in a reset (0). invert swaps the two colours.
std::string AnsiText(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert);

} // namespace ostrel::render
