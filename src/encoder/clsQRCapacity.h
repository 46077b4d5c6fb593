#pragma once

#include "clsCodewordBlocks.h"

#include <cstdint>

namespace ostrel {

// The capacity of QR Code Model 2 symbols by version (1 to 40) and level number (1 = L, 2 = M,
// 3 = Q, 4 = H): the error-correction characteristics of ISO/IEC 18004 Table 9 (the total number
// of blocks of both groups, and the check codewords per block, the same in both) and the
// codeword counts that follow from the layout (clsQRLayout::DataModuleCount).
//
// This is the table a symbol type supplies to clsCodewordBlocks; Micro QR (M1 to M4, levels L,
// M, Q) and rMQR (32 sizes, levels M and H) supply their own of the same form.
class clsQRCapacity {
public:
    static constexpr std::int32_t LevelCount = 4;

    // Blocks and check codewords per block; 0 outside level 1..4 and version 1..40.
    static std::int32_t BlockCount(std::int32_t level, std::int32_t version);
    static std::int32_t EccPerBlock(std::int32_t level, std::int32_t version);
    // Codewords of a version: DataModuleCount / 8 (the rest are remainder bits); 0 outside 1..40.
    static std::int32_t TotalCodewords(std::int32_t version);
    // Data codewords; 0 for settings outside the tables.
    static std::int32_t DataCodewords(std::int32_t level, std::int32_t version);
    // The block table of a version and level (all 0 outside the tables).
    static clsCodewordBlocks::BlockTable Blocks(std::int32_t level, std::int32_t version);
};

} // namespace ostrel
