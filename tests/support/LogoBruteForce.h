#pragma once
// Test support: what clearing a square of a QR Code symbol costs each error-correction block,
// found by brute force without the encoder's placement or block map: the square's codeword
// modules are flipped, the codewords of both symbols read back with SymbolReader and dealt to
// their blocks by the interleaving rule of ISO/IEC 18004 clause 7.6.

#include "clsQRCode.h"

#include <cstdint>
#include <vector>

namespace ostrel::test {

// The block of every transmitted codeword of a version and level (1 L .. 4 H).
std::vector<std::int32_t> DealtBlocks(std::int32_t version, std::int32_t level);

// Wrong codewords a block corrects: half its check codewords less the misdecode-protection
// codewords p of the standard's Table 9 (1-L 3, 1-M 2, 1-Q 1, 1-H 1, 2-L 2, 3-L 1).
std::int32_t Correctable(std::int32_t version, std::int32_t level);

// The wrong codewords per block when every non-function module of the square of side `side`
// from column x, row y is flipped.
std::vector<std::int32_t> BruteForceLoads(const clsQRCode::Symbol& symbol, std::int32_t x,
                                          std::int32_t y, std::int32_t side);

// Whether every block keeps the square's damage within budget percent of what it corrects.
bool BruteForceFits(const clsQRCode::Symbol& symbol, std::int32_t x, std::int32_t y,
                    std::int32_t side, std::int32_t budget);

} // namespace ostrel::test
