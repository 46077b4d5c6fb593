#include "clsRMQRTable.h"

#include "clsFormatInformation.h"

#include <array>

namespace ostrel {

namespace {

// One size of ISO/IEC 23941: height and width, all codewords, the count widths by mode number
// (byte, numeric, alphanumeric, Kanji), and the error-correction blocks of levels M and H (blocks,
// check codewords per block).
struct SizeRow {
    std::uint8_t Height;
    std::uint8_t Width;
    std::uint16_t Total;
    std::array<std::uint8_t, 4> CountBits;
    std::uint8_t BlocksM;
    std::uint8_t EccM;
    std::uint8_t BlocksH;
    std::uint8_t EccH;
};

// clang-format off
constexpr std::array<SizeRow, clsRMQRTable::SizeCount> kSizes = {{
    // H   W   total   byte num alnum kanji   M blocks x ecc   H blocks x ecc
    {7,   43,  13, {3, 4, 3, 2}, 1,  7, 1, 10},
    {7,   59,  21, {4, 5, 5, 3}, 1,  9, 1, 14},
    {7,   77,  32, {5, 6, 5, 4}, 1, 12, 1, 22},
    {7,   99,  44, {5, 7, 6, 5}, 1, 16, 1, 30},
    {7,  139,  68, {6, 7, 6, 5}, 1, 24, 2, 22},
    {9,   43,  21, {4, 5, 5, 3}, 1,  9, 1, 14},
    {9,   59,  33, {5, 6, 5, 4}, 1, 12, 1, 22},
    {9,   77,  49, {5, 7, 6, 5}, 1, 18, 2, 16},
    {9,   99,  66, {6, 7, 6, 5}, 1, 24, 2, 22},
    {9,  139,  99, {6, 8, 7, 6}, 2, 18, 3, 22},
    {11,  27,  15, {3, 4, 4, 2}, 1,  8, 1, 10},
    {11,  43,  31, {5, 6, 5, 4}, 1, 12, 1, 20},
    {11,  59,  47, {5, 7, 6, 5}, 1, 16, 2, 16},
    {11,  77,  67, {6, 7, 6, 5}, 1, 24, 2, 22},
    {11,  99,  89, {6, 8, 7, 6}, 2, 16, 2, 30},
    {11, 139, 132, {7, 8, 7, 6}, 2, 24, 3, 30},
    {13,  27,  21, {4, 5, 5, 3}, 1,  9, 1, 14},
    {13,  43,  41, {5, 6, 6, 5}, 1, 14, 1, 28},
    {13,  59,  60, {6, 7, 6, 5}, 1, 22, 2, 20},
    {13,  77,  85, {6, 7, 7, 6}, 2, 16, 2, 28},
    {13,  99, 113, {7, 8, 7, 6}, 2, 20, 3, 26},
    {13, 139, 166, {7, 8, 8, 7}, 3, 20, 4, 28},
    {15,  43,  51, {6, 7, 6, 5}, 1, 18, 2, 18},
    {15,  59,  74, {6, 7, 7, 5}, 1, 26, 2, 24},
    {15,  77, 103, {7, 8, 7, 6}, 2, 18, 3, 24},
    {15,  99, 136, {7, 8, 7, 6}, 2, 24, 4, 22},
    {15, 139, 199, {7, 9, 8, 7}, 3, 24, 5, 26},
    {17,  43,  61, {6, 7, 6, 5}, 1, 22, 2, 20},
    {17,  59,  88, {6, 8, 7, 6}, 2, 16, 2, 30},
    {17,  77, 122, {7, 8, 7, 6}, 2, 22, 3, 28},
    {17,  99, 160, {7, 8, 8, 6}, 3, 20, 4, 26},
    {17, 139, 232, {8, 9, 8, 7}, 4, 20, 6, 26},
}};
// clang-format on

// Centre columns of the alignment patterns by width (ISO/IEC 23941, alignment pattern table).
constexpr std::array<std::uint8_t, 1> kColumns43 = {21};
constexpr std::array<std::uint8_t, 2> kColumns59 = {19, 39};
constexpr std::array<std::uint8_t, 2> kColumns77 = {25, 51};
constexpr std::array<std::uint8_t, 3> kColumns99 = {23, 49, 75};
constexpr std::array<std::uint8_t, 4> kColumns139 = {27, 55, 83, 111};

// Mode indicators by mode number (byte 011, numeric 001, alphanumeric 010, Kanji 100).
constexpr std::uint32_t kIndicator[4] = {0b011, 0b001, 0b010, 0b100};

// BCH(18,6) generator x^12 + x^11 + x^10 + x^9 + x^8 + x^5 + x^2 + 1.
constexpr std::int32_t kFormatGenerator = 0x1F25;
constexpr std::int32_t kFormatCheckBits = 12;

bool ValidIndex(std::int32_t index) {
    return index >= 0 && index < clsRMQRTable::SizeCount;
}

} // namespace

std::int32_t clsRMQRTable::Height(std::int32_t index) {
    return ValidIndex(index) ? kSizes[static_cast<std::size_t>(index)].Height : 0;
}

std::int32_t clsRMQRTable::Width(std::int32_t index) {
    return ValidIndex(index) ? kSizes[static_cast<std::size_t>(index)].Width : 0;
}

std::int32_t clsRMQRTable::Find(std::int32_t height, std::int32_t width) {
    for (std::int32_t i = 0; i < SizeCount; ++i) {
        if (Height(i) == height && Width(i) == width) {
            return i;
        }
    }
    return -1;
}

bool clsRMQRTable::HasLevel(std::int32_t level) {
    return level == 2 || level == 4;
}

std::int32_t clsRMQRTable::TotalCodewords(std::int32_t index) {
    return ValidIndex(index) ? kSizes[static_cast<std::size_t>(index)].Total : 0;
}

std::int32_t clsRMQRTable::BlockCount(std::int32_t index, std::int32_t level) {
    if (!ValidIndex(index) || !HasLevel(level)) {
        return 0;
    }
    const SizeRow& row = kSizes[static_cast<std::size_t>(index)];
    return level == 2 ? row.BlocksM : row.BlocksH;
}

std::int32_t clsRMQRTable::EccPerBlock(std::int32_t index, std::int32_t level) {
    if (!ValidIndex(index) || !HasLevel(level)) {
        return 0;
    }
    const SizeRow& row = kSizes[static_cast<std::size_t>(index)];
    return level == 2 ? row.EccM : row.EccH;
}

std::int32_t clsRMQRTable::DataCodewords(std::int32_t index, std::int32_t level) {
    if (!ValidIndex(index) || !HasLevel(level)) {
        return 0;
    }
    return TotalCodewords(index) - BlockCount(index, level) * EccPerBlock(index, level);
}

std::uint32_t clsRMQRTable::Indicator(std::int32_t mode) {
    return mode >= 0 && mode < 4 ? kIndicator[mode] : 0;
}

std::int32_t clsRMQRTable::CountBits(std::int32_t index, std::int32_t mode) {
    if (!ValidIndex(index) || mode < 0 || mode >= 4) {
        return 0;
    }
    return kSizes[static_cast<std::size_t>(index)].CountBits[static_cast<std::size_t>(mode)];
}

std::span<const std::uint8_t> clsRMQRTable::AlignmentColumns(std::int32_t width) {
    switch (width) {
    case 43:
        return kColumns43;
    case 59:
        return kColumns59;
    case 77:
        return kColumns77;
    case 99:
        return kColumns99;
    case 139:
        return kColumns139;
    default:
        return {};
    }
}

std::uint32_t clsRMQRTable::FormatWord(std::int32_t index, std::int32_t level) {
    if (!ValidIndex(index) || !HasLevel(level)) {
        return 0;
    }
    // The 64 words of the six data bits, made once by the compiler.
    static constexpr std::array<std::uint32_t, 64> kWords = [] {
        std::array<std::uint32_t, 64> words{};
        for (std::int32_t data = 0; data < 64; ++data) {
            const std::int32_t check = clsFormatInformation::BchRemainder(
                data, kFormatGenerator, 1 << kFormatCheckBits, kFormatCheckBits);
            words[static_cast<std::size_t>(data)] =
                static_cast<std::uint32_t>((data << kFormatCheckBits) | check);
        }
        return words;
    }();
    return kWords[static_cast<std::size_t>((level == 4 ? 32 : 0) | index)];
}

} // namespace ostrel
