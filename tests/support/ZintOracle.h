#pragma once
// zint (libzint 2.11, Debian's libzint-dev), a test-only peer: whole Micro QR and rMQR symbols
// made by another encoder, to compare ours with module for module. Never linked into the product.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ostrel::test {

// A symbol made by zint: Width x Height modules, row by row, 0 light and 1 dark; Error holds
// zint's message when it made none (Width is then 0).
struct ZintSymbol {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Modules;
    std::string Error;

    std::uint8_t At(std::int32_t x, std::int32_t y) const {
        return Modules[static_cast<std::size_t>(y * Width + x)];
    }
};

// Micro QR from raw bytes: version 1..4 (M1..M4, 0 for zint's choice), level 1..3 (L, M, Q),
// mask 0..3 (-1 for zint's evaluation). With kanji, byte pairs that are Shift JIS characters may
// go into Kanji mode (zint's full multibyte option); without it they are bytes.
ZintSymbol ZintMicroQR(std::span<const std::uint8_t> data, std::int32_t version, std::int32_t level,
                       std::int32_t mask, bool kanji);

// rMQR from raw bytes: size index 0..31 (R7x43 .. R17x139, -1 for zint's choice, among the sizes
// of one height when height is 7..17), level 2 (M) or 4 (H). eci > 0 declares that designator.
ZintSymbol ZintRMQR(std::span<const std::uint8_t> data, std::int32_t index, std::int32_t level,
                    bool kanji, std::int32_t eci = 0, std::int32_t height = 0);

// GS1 data (FNC1 in first position) in zint's bracket form, "[01]...[10]...", checked by zint:
// QR Code at version 1..40 (0 for zint's choice), level 1..4, mask 0..7 (-1 for zint's choice),
// or with rmqr an rMQR symbol at size index 0..31 (-1 for zint's choice) and level 2 or 4 (mask
// ignored). Error holds zint's message when it refuses the data; Warning its warning otherwise.
struct ZintGs1Symbol : ZintSymbol {
    std::string Warning;
};
ZintGs1Symbol ZintGs1(const std::string& bracketed, bool rmqr, std::int32_t version,
                      std::int32_t level, std::int32_t mask);

} // namespace ostrel::test
