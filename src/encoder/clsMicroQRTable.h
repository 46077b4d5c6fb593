#pragma once

#include <array>
#include <cstdint>

namespace ostrel {

// The characteristics of the Micro QR Code symbols M1 to M4 (ISO/IEC 18004, the Micro QR tables):
// sizes, codeword counts per error-correction level, the modes each version allows with their
// indicator and count widths, terminators, the symbol numbers of the format information and its
// mask.
//
// Versions are numbered 1 to 4 for M1 to M4; levels as in the QR encoder, 1 = L, 2 = M, 3 = Q,
// 4 = H. M1 has no error correction, only error detection: it answers to level 1 (L), the lowest
// level there is, and to no other. M2 and M3 offer L and M, M4 L, M and Q; no version offers H.
// Every member answers 0 (or false) for a version or level outside those ranges.
//
// Mode numbers are those of the segmentation: 0 byte, 1 numeric, 2 alphanumeric, 3 Kanji.
// Standard library only; no state.
class clsMicroQRTable {
public:
    // ---- Constants of the standard ----
    static constexpr std::int32_t MinVersion = 1;
    static constexpr std::int32_t MaxVersion = 4;
    // A Micro QR symbol needs a quiet zone of two modules on every side.
    static constexpr std::int32_t QuietZone = 2;
    // Four data masks (the QR Code masks 1, 4, 6 and 7), chosen by the edge evaluation.
    static constexpr std::int32_t MaskCount = 4;
    // The 15-bit format word: 3-bit symbol number, 2-bit mask, BCH(15,5) check bits, XORed with
    // 100010001000101.
    static constexpr std::uint32_t FormatXorMask = 0x4445;
    static constexpr std::int32_t FormatBits = 15;
    // The single finder pattern's side and its separator: modules 0..7 of the top rows and left
    // columns; the format information lies along row 8 and column 8.
    static constexpr std::int32_t FinderSide = 7;
    static constexpr std::int32_t FormatLine = 8;

    // ---- Size and codewords ----
    // side = 2 * version + 9 (11, 13, 15, 17 modules).
    static std::int32_t Side(std::int32_t version);
    // True when the version offers the level (M1: level 1 only, as error detection).
    static bool HasLevel(std::int32_t version, std::int32_t level);
    // All codewords of the symbol: 5, 10, 17, 24 (M1 and M3 count their 4-bit codeword as one).
    static std::int32_t TotalCodewords(std::int32_t version);
    // Data codewords, the 4-bit last data codeword of M1 and M3 included; 0 when the version does
    // not offer the level.
    static std::int32_t DataCodewords(std::int32_t version, std::int32_t level);
    // Error-correction (M1: error-detection) codewords, in one block.
    static std::int32_t EccCodewords(std::int32_t version, std::int32_t level);
    // The data bits the symbol holds: 8 * DataCodewords, 4 fewer for M1 and M3.
    static std::int32_t DataBits(std::int32_t version, std::int32_t level);
    // True for M1 and M3, whose last data codeword has four bits.
    static bool HasHalfCodeword(std::int32_t version);

    // ---- Modes (Micro QR columns of the mode-indicator and character-count tables) ----
    // Indicator width: 0, 1, 2, 3 bits for M1..M4; the indicator of a mode is its position in
    // numeric (0), alphanumeric (1), byte (2), Kanji (3).
    static std::int32_t IndicatorBits(std::int32_t version);
    static std::uint32_t Indicator(std::int32_t mode);
    // Count width of a mode: numeric 3/4/5/6, alphanumeric -/3/4/5, byte -/-/4/5, Kanji -/-/3/4;
    // 0 where the version does not allow the mode (M1 numeric only, M2 adds alphanumeric).
    static std::int32_t CountBits(std::int32_t version, std::int32_t mode);
    // Terminator: 2 * version + 1 zero bits (3, 5, 7, 9).
    static std::int32_t TerminatorBits(std::int32_t version);

    // ---- Format information ----
    // The symbol number of a version and level: M1 0, M2-L 1, M2-M 2, M3-L 3, M3-M 4, M4-L 5,
    // M4-M 6, M4-Q 7; -1 for a pair that does not exist.
    static std::int32_t SymbolNumber(std::int32_t version, std::int32_t level);
    // The masked 15-bit format word of a symbol number 0..7 and mask 0..3; 0 outside.
    static std::uint32_t FormatWord(std::int32_t symbolNumber, std::int32_t mask);
};

} // namespace ostrel
