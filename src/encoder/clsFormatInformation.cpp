#include "clsFormatInformation.h"

#include <array>
#include <cstddef>

namespace ostrel {

namespace {

// BCH codes of the version information (18,6) and the format information (15,5), clause 7.9/7.10.
constexpr std::int32_t kVersionGenerator = 0x1F25; // x^12+x^11+x^10+x^9+x^8+x^5+x^2+1
constexpr std::int32_t kVersionCheckBits = 12;
constexpr std::int32_t kFormatGenerator = 0x537; // x^10+x^8+x^5+x^4+x^2+x+1
constexpr std::int32_t kFormatCheckBits = 10;
constexpr std::int32_t kFormatXorMask = 0x5412; // 101010000010010
// Bits of the mask number in the format data (level indicator above them).
constexpr std::int32_t kMaskBits = 3;
// Row and column 8 carry the format information beside the finders.
constexpr std::int32_t kFormatLine = 8;
// The version blocks start 11 modules in from the far edge.
constexpr std::int32_t kVersionBlockInset = 11;

clsFormatInformation::Position At(std::int32_t x, std::int32_t y) {
    return {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)};
}

} // namespace

void clsFormatInformation::WriteBits(const clsModuleMatrix& matrix, std::int32_t word,
                                     std::span<const Position> positions) {
    std::uint8_t* const modules = matrix.Modules();
    const std::int32_t stride = matrix.Stride();
    for (std::size_t k = 0; k < positions.size(); ++k) {
        modules[static_cast<std::ptrdiff_t>(positions[k].Y) * stride + positions[k].X] =
            ((word >> k) & 1) != 0 ? 1 : 0;
    }
}

void clsFormatInformation::WriteQRFormat(const clsModuleMatrix& matrix, std::int32_t word) {
    const std::int32_t side = matrix.Width();
    const std::ptrdiff_t stride = matrix.Stride();
    std::uint8_t* const row = matrix.Row(kFormatLine);
    std::uint8_t* const column = matrix.Modules() + kFormatLine;
    const auto bit = [word](std::int32_t k) { return static_cast<std::uint8_t>((word >> k) & 1); };
    // Copy 0: bits 0..5 and 6 down column 8 (the timing module at row 6 skipped), 7 and 8 at the
    // corner, 9..14 along row 8 from column 5 to the left edge.
    for (std::int32_t k = 0; k < 6; ++k) {
        column[k * stride] = bit(k);
    }
    column[7 * stride] = bit(6);
    row[8] = bit(7);
    row[7] = bit(8);
    for (std::int32_t k = 9; k < QRFormatBits; ++k) {
        row[14 - k] = bit(k);
    }
    // Copy 1: bits 0..7 along row 8 from the right edge, 8..14 down column 8 at the bottom.
    for (std::int32_t k = 0; k < 8; ++k) {
        row[side - 1 - k] = bit(k);
    }
    for (std::int32_t k = 8; k < QRFormatBits; ++k) {
        column[(side - 15 + k) * stride] = bit(k);
    }
}

std::int32_t clsFormatInformation::QRVersionWord(std::int32_t version) {
    constexpr std::int32_t top = 1 << kVersionCheckBits;
    return version * top + BchRemainder(version, kVersionGenerator, top, kVersionCheckBits);
}

std::int32_t clsFormatInformation::QRFormatWord(std::int32_t level, std::int32_t mask) {
    // The 32 words of the five data bits, made once by the compiler.
    static constexpr std::array<std::int32_t, 32> kWords = [] {
        std::array<std::int32_t, 32> words{};
        constexpr std::int32_t top = 1 << kFormatCheckBits;
        for (std::int32_t data = 0; data < 32; ++data) {
            words[static_cast<std::size_t>(data)] =
                (data * top + BchRemainder(data, kFormatGenerator, top, kFormatCheckBits)) ^
                kFormatXorMask;
        }
        return words;
    }();
    // The level indicator of Table 12: L 01, M 00, Q 11, H 10.
    const std::int32_t data = ((((level - 1) ^ 1) & 3) << kMaskBits) + (mask & 7);
    return kWords[static_cast<std::size_t>(data)];
}

std::array<clsFormatInformation::Position, clsFormatInformation::QRFormatBits>
clsFormatInformation::QRFormatPositions(std::int32_t side, std::int32_t copy) {
    std::array<Position, QRFormatBits> at{};
    for (std::int32_t bit = 0; bit < QRFormatBits; ++bit) {
        const auto k = static_cast<std::size_t>(bit);
        if (copy == 0) {
            // Bits 14..9 along row 8 from the left, 8 and 7 around the corner (skipping the
            // timing modules (6, 8) and (8, 6)), 6..0 up column 8.
            if (bit >= 9) {
                at[k] = At(14 - bit, kFormatLine);
            } else if (bit >= 7) {
                at[k] = At(bit == 8 ? 7 : 8, kFormatLine);
            } else {
                at[k] = At(kFormatLine, bit == 6 ? 7 : bit);
            }
        } else {
            // Bits 14..8 up column 8 under the lower-left finder, 7..0 along row 8 under the
            // upper-right finder.
            at[k] = bit >= 8 ? At(kFormatLine, side - 15 + bit) : At(side - 1 - bit, kFormatLine);
        }
    }
    return at;
}

std::array<clsFormatInformation::Position, clsFormatInformation::QRVersionBits>
clsFormatInformation::QRVersionPositions(std::int32_t side, std::int32_t copy) {
    std::array<Position, QRVersionBits> at{};
    for (std::int32_t k = 0; k < QRVersionBits; ++k) {
        const std::int32_t a = k / 3;
        const std::int32_t b = side - kVersionBlockInset + k % 3;
        at[static_cast<std::size_t>(k)] = copy == 0 ? At(a, b) : At(b, a);
    }
    return at;
}

} // namespace ostrel
