#pragma once

#include "clsQRCode.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ostrel::render {

// Writes a symbol as a BMP file (Windows bitmap, BITMAPINFOHEADER) of one bit a pixel: a
// two-entry colour table (0 white, 1 black), rows bottom-up, each padded with zero bits to a
// multiple of four bytes, scale x scale pixels per module with a quiet zone of margin modules.
// The resolution is stated in pixels per metre: dpi when given, else 100 dpi (3937), what the
// tool's bitmaps have always stated without one.
class BmpWriter {
public:
    // The file, or empty when the picture would be empty or larger than the format holds
    // (sizes are 32-bit).
    static std::string Write(const clsQRCode::Symbol& symbol, std::int32_t scale,
                             std::int32_t margin, std::optional<std::int32_t> dpi = std::nullopt);
};

} // namespace ostrel::render
