#pragma once

#include "CliOptions.h"
#include "PngWriter.h"
#include "clsQRCode.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel::cli {

// The symbol with a light margin of margin modules on every side (none for the plain matrix):
// one line per module row, '1' dark and '0' light.
QByteArray MatrixText(const clsQRCode::Symbol& symbol, std::int32_t margin = 0);

// The symbol for a terminal in Unicode half blocks, two module rows per line: the upper half
// block stands for the upper row, the lower half block for the lower one. The glyphs' ink is the
// terminal's foreground, which is light on the usual dark terminal, so the ink draws the light
// modules and the quiet zone and the dark modules stay the terminal's background; with invert
// (for a light terminal, whose ink is dark) the ink draws the dark modules instead. An odd last
// row leaves the lower halves without ink.
QByteArray Utf8Text(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert);

// The symbol for a terminal with ANSI background colours: white (47) for light modules and the
// quiet zone, black (40) for dark ones, two blanks per module and one line per module row, each
// line ending in a reset (0). invert swaps the two colours.
QByteArray AnsiText(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert);

// The symbol as an SVG drawing: a background square of side + 2 * margin units with one path of
// unit squares in the foreground colour (one more for every 4096 runs of dark modules, since
// Qt SVG refuses longer paths), drawn with crisp edges; scale pixels per unit for the
// drawing's width and height.
QByteArray SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin = 4,
                   Colour dark = Black, Colour light = White);

// The symbol as a 1-bit image (white 0, black 1), scale x scale pixels per module with a white
// margin of margin modules: a version 40 symbol at the largest scale stays a few megabytes
// instead of a gigabyte of 32-bit pixels. A null image when it cannot be allocated.
QImage SymbolPicture(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin);

// The picture in BMP file format; empty when it cannot be encoded.
QByteArray BmpFile(const QImage& picture);

// The output of one symbol in the options' format, scale, margin and colours; png is the
// writer to use for PNG files. Empty when the picture cannot be made.
QByteArray SymbolOutput(const clsQRCode::Symbol& symbol, const CliOptions& options, PngWriter& png);

// The contrast ratio of two colours as readers see them (relative luminance of the colours
// over white, (lighter + 0.05) / (darker + 0.05), 1 to 21), and a warning for the options'
// colours when it is under 3 or the foreground is the lighter one; empty when all is well.
double ContrastRatio(Colour first, Colour second);
std::string ColourWarning(const CliOptions& options);

// The message for data that no symbol of the options' version and level holds; amount says how
// much data there is ("1700 bytes").
std::string DoesNotFit(const std::string& amount, const CliOptions& options);

// Writes data to the file at path whole or not at all: into a temporary file in the same folder,
// renamed to path when complete (no flush to the disk in between, for speed). Returns an error
// text, empty on success; a failure leaves no file behind and an existing file unchanged, and
// puts the system's error number in *reason (when reason is given; 0 on success).
std::string WriteWholeFile(const std::string& path, const QByteArray& data, int* reason = nullptr);

// Writes data to standard output (path unset or "-") or, through a temporary file in the same
// folder that replaces path only when complete, to a file. Returns an error text, empty on
// success; a failed write leaves no file behind and an existing file unchanged.
std::string WriteOutput(const std::optional<std::string>& path, const QByteArray& data);

} // namespace ostrel::cli
