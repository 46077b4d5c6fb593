#pragma once

#include <cstdint>
#include <span>

namespace ostrel {

// The characteristics of the rectangular Micro QR Code (rMQR) symbols of ISO/IEC 23941: the 32
// sizes R7x43 to R17x139, their codewords and error-correction blocks for levels M and H, the
// character-count widths of every size, the centre columns of the alignment patterns of each
// width, and the format information with its two masks.
//
// A size is known by its index 0..31, the version indicator of the format information: heights
// 7, 9, 11, 13, 15, 17 in that order, and within a height the widths from the narrowest (R7x43 is
// 0, R7x139 4, R11x27 10, R17x139 31). Levels as in the QR encoder: 2 = M, 4 = H; rMQR has no L
// and no Q. Mode numbers are those of the segmentation: 0 byte, 1 numeric, 2 alphanumeric,
// 3 Kanji. Every member answers 0 (or false, or an empty list) for an index or level outside
// those ranges. Standard library only; no state.
class clsRMQRTable {
public:
    // ---- Constants of the standard ----
    static constexpr std::int32_t SizeCount = 32;
    static constexpr std::int32_t QuietZone = 2;
    static constexpr std::int32_t MinHeight = 7;
    static constexpr std::int32_t MaxHeight = 17;
    // Mode indicators have three bits (numeric 001, alphanumeric 010, byte 011, Kanji 100, ECI
    // 111, which clsSegmentWriter writes); the terminator is 000.
    static constexpr std::int32_t IndicatorBits = 3;
    static constexpr std::int32_t TerminatorBits = 3;
    // The 18-bit format word: level bit (0 M, 1 H), 5-bit size index, BCH(18,6) check bits (the
    // QR version-information code), XORed with one mask beside the finder pattern and another
    // beside the sub-finder pattern.
    static constexpr std::int32_t FormatBits = 18;
    static constexpr std::uint32_t FormatMaskFinderSide = 0x1FAB2;    // 011111101010110010
    static constexpr std::uint32_t FormatMaskSubFinderSide = 0x20A7B; // 100000101001111011

    // ---- Sizes ----
    static std::int32_t Height(std::int32_t index);
    static std::int32_t Width(std::int32_t index);
    // The index of a height and width, -1 for a pair that is no rMQR size.
    static std::int32_t Find(std::int32_t height, std::int32_t width);
    // True for level 2 (M) and 4 (H).
    static bool HasLevel(std::int32_t level);

    // ---- Codewords ----
    static std::int32_t TotalCodewords(std::int32_t index);
    // Error-correction blocks and check codewords per block; the data codewords are shared out
    // as in QR Code, the shorter blocks first, one codeword shorter than the others.
    static std::int32_t BlockCount(std::int32_t index, std::int32_t level);
    static std::int32_t EccPerBlock(std::int32_t index, std::int32_t level);
    static std::int32_t DataCodewords(std::int32_t index, std::int32_t level);

    // ---- Modes ----
    static std::uint32_t Indicator(std::int32_t mode);
    // Count width of a mode for a size (ISO/IEC 23941, character-count indicator table).
    static std::int32_t CountBits(std::int32_t index, std::int32_t mode);

    // ---- Alignment patterns ----
    // The centre columns of the alignment patterns of a width (none for 27), left to right.
    static std::span<const std::uint8_t> AlignmentColumns(std::int32_t width);

    // ---- Format information ----
    // The unmasked 18-bit word of a size and level; 0 outside.
    static std::uint32_t FormatWord(std::int32_t index, std::int32_t level);
};

} // namespace ostrel
