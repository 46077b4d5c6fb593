#pragma once

#include "Colour.h"
#include "clsQRCode.h"

#include <string>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace ostrel::render {

class RowDeflater;

// Writes a symbol as a PNG file of two colours: a 1-bit palette image (colour type 3, entry 0
// the light colour, entry 1 the dark one, a tRNS chunk when either is not opaque), scale x scale
// pixels per module with a quiet zone of margin modules. The pixel rows of a module row are
// coded by a deflate coder made for such repeated rows (RowDeflater), one module row at a time,
// so memory stays small whatever the size.
//
// The object keeps its coder's buffers between calls (one per thread; not safe to share).
class PngWriter {
public:
    PngWriter();
    ~PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // The file, or empty when the scale or margin is out of range or the picture would be too
    // large. With dpi the file
    // states the resolution it is made for in a pHYs chunk (pixels per metre, rounded), so that
    // viewers and printers show it at its size.
    std::string Write(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin,
                      Colour dark, Colour light, std::optional<std::int32_t> dpi = std::nullopt);

private:
    std::unique_ptr<RowDeflater> m_Deflater;
    // The pixels of each byte of eight modules at scale m_ExpandScale (up to 7; 0: none yet).
    std::array<std::uint64_t, 256> m_Expand{};
    std::int32_t m_ExpandScale = 0;
};

} // namespace ostrel::render
