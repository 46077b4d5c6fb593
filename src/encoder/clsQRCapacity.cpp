#include "clsQRCapacity.h"

#include "clsQRLayout.h"

#include <array>

namespace ostrel {

namespace {

// Error-correction characteristics, ISO/IEC 18004 Table 9, one row per level (L, M, Q, H),
// one column per version 1..40: the total number of blocks of both groups ...
// clang-format off
constexpr std::uint8_t kBlockCountTable[4][40] = {
    {1,  1,  1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7,  8,
     8,  9,  9,  10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81},
};

// ... and the error-correction codewords per block (the same in both groups).
constexpr std::uint8_t kEccPerBlockTable[4][40] = {
    {7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
};
// clang-format on

// Codewords per version (index 0 unused): the free modules of the layout, 8 to a codeword.
const std::array<std::int16_t, clsQRLayout::MaxVersion + 1> kTotalCodewords = [] {
    std::array<std::int16_t, clsQRLayout::MaxVersion + 1> table{};
    for (std::int32_t v = clsQRLayout::MinVersion; v <= clsQRLayout::MaxVersion; ++v) {
        table[static_cast<std::size_t>(v)] =
            static_cast<std::int16_t>(clsQRLayout::DataModuleCount(v) / 8);
    }
    return table;
}();

bool InTables(std::int32_t level, std::int32_t version) {
    return level >= 1 && level <= clsQRCapacity::LevelCount && version >= clsQRLayout::MinVersion &&
           version <= clsQRLayout::MaxVersion;
}

} // namespace

std::int32_t clsQRCapacity::BlockCount(std::int32_t level, std::int32_t version) {
    return InTables(level, version) ? kBlockCountTable[level - 1][version - 1] : 0;
}

std::int32_t clsQRCapacity::EccPerBlock(std::int32_t level, std::int32_t version) {
    return InTables(level, version) ? kEccPerBlockTable[level - 1][version - 1] : 0;
}

std::int32_t clsQRCapacity::TotalCodewords(std::int32_t version) {
    if (version < clsQRLayout::MinVersion || version > clsQRLayout::MaxVersion) {
        return 0;
    }
    return kTotalCodewords[static_cast<std::size_t>(version)];
}

std::int32_t clsQRCapacity::DataCodewords(std::int32_t level, std::int32_t version) {
    if (!InTables(level, version)) {
        return 0; // (not the total codewords of a level without blocks)
    }
    return TotalCodewords(version) - BlockCount(level, version) * EccPerBlock(level, version);
}

clsCodewordBlocks::BlockTable clsQRCapacity::Blocks(std::int32_t level, std::int32_t version) {
    if (!InTables(level, version)) {
        return {};
    }
    return {TotalCodewords(version), BlockCount(level, version), EccPerBlock(level, version)};
}

} // namespace ostrel
