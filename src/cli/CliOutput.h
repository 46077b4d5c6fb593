#pragma once

#include "CliOptions.h"
#include "clsQRCode.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <string>

namespace ostrel::cli {

// Width of the light margin around a symbol in every rendition but the matrix, in modules.
inline constexpr std::int32_t QuietZone = 4;

// The symbol without quiet zone: one line per module row, '1' dark and '0' light.
QByteArray MatrixText(const clsQRCode::Symbol& symbol);

// The symbol as an SVG drawing: a white square of side + 8 units (the quiet zone included) with
// one black path of unit squares, drawn with crisp edges; scale pixels per module for the
// drawing's width and height.
QByteArray SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale);

// The picture of clsQRCode::Encode (one pixel per module) enlarged scale times by repeating
// pixels, as a 1-bit image (white 0, black 1): a version 40 symbol at the largest scale stays a
// few megabytes instead of a gigabyte of 32-bit pixels.
QImage ScaledPicture(const QImage& picture, std::int32_t scale);

// The picture in BMP or PNG file format; empty when it cannot be encoded.
QByteArray PictureFile(const QImage& picture, OutputFormat format);

// Writes data to standard output (path unset or "-") or, through a temporary file in the same
// folder that replaces path only when complete, to a file. Returns an error text, empty on
// success; a failed write leaves no file behind and an existing file unchanged.
std::string WriteOutput(const std::optional<std::string>& path, const QByteArray& data);

} // namespace ostrel::cli
