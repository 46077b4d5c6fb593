#pragma once

#include "clsModuleMatrix.h"

#include <array>
#include <cstdint>
#include <span>

namespace ostrel {

// Format and version information (ISO/IEC 18004 clauses 7.9 and 7.10, Annex C and D): the BCH
// code words that carry the level and mask (15 bits) and the version (18 bits), and the modules
// that receive their bits, written into a finished matrix after masking.
//
// What a symbol type supplies: the data of its word, its BCH generator and XOR mask, and the
// module of every bit of every copy (a Position list). QR Code's are below; Micro QR's 15-bit
// format word (symbol number and mask, its own XOR mask 100010001000101, one copy) and rMQR's two
// 18-bit words (ISO/IEC 23941 clause 7.4, each side its own mask) take the same BchRemainder and
// WriteBits.
class clsFormatInformation {
public:
    // A module of the matrix, x the column from the left, y the row from the top.
    struct Position {
        std::int16_t X;
        std::int16_t Y;
    };

    // Remainder of value x x^steps divided by the generator (topBit = the generator's leading
    // term); value itself when steps <= 0.
    static constexpr std::int32_t BchRemainder(std::int32_t value, std::int32_t generator,
                                               std::int32_t topBit, std::int32_t steps) {
        for (std::int32_t s = 0; s < steps; ++s) {
            value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 1);
            if ((value & topBit) != 0) {
                value = (value ^ generator) & (topBit - 1);
            }
        }
        return value;
    }
    // Writes bit k of word at positions[k], 1 dark and 0 light, k = 0 .. positions.size() - 1.
    static void WriteBits(const clsModuleMatrix& matrix, std::int32_t word,
                          std::span<const Position> positions);

    // ---- QR Code Model 2 ----
    static constexpr std::int32_t QRFormatBits = 15;
    static constexpr std::int32_t QRVersionBits = 18;
    // The 18-bit version word: version in bits 17..12, BCH(18,6) remainder in bits 11..0.
    static std::int32_t QRVersionWord(std::int32_t version);
    // The 15-bit format word for level number 1..4 and mask 0..7: the level indicator (L 01, M 00,
    // Q 11, H 10), the mask, the BCH(15,5) remainder, XORed with 101010000010010.
    static std::int32_t QRFormatWord(std::int32_t level, std::int32_t mask);
    // The modules of bit k of the format word in copy 0 (around the upper-left finder) or copy 1
    // (under the upper-right and beside the lower-left finder) of a symbol side modules wide.
    static std::array<Position, QRFormatBits> QRFormatPositions(std::int32_t side,
                                                                std::int32_t copy);
    // Writes both copies of the format word at the modules of QRFormatPositions, straight into
    // row 8 and column 8 (the same as WriteBits with the positions of each copy).
    static void WriteQRFormat(const clsModuleMatrix& matrix, std::int32_t word);
    // The modules of bit k = 3a + b of the version word in copy 0 (lower-left block, 6 columns by
    // 3 rows: (a, side - 11 + b)) or copy 1 (upper-right block: (side - 11 + b, a)).
    static std::array<Position, QRVersionBits> QRVersionPositions(std::int32_t side,
                                                                  std::int32_t copy);
};

} // namespace ostrel
