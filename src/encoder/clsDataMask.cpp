#include "clsDataMask.h"

#include <algorithm>
#include <array>

namespace ostrel {

namespace {

constexpr std::int32_t kMaskCount = clsDataMask::MaskCount;
constexpr std::int32_t kTileRows = 12;
constexpr std::int32_t kTileColumns = 48;
using MaskTile = std::array<std::array<std::uint8_t, kTileColumns>, kTileRows>;

constexpr std::array<MaskTile, kMaskCount> kMaskTiles = [] {
    std::array<MaskTile, kMaskCount> tiles{};
    for (std::int32_t mask = 0; mask < kMaskCount; ++mask) {
        for (std::int32_t i = 0; i < kTileRows; ++i) {
            for (std::int32_t j = 0; j < kTileColumns; ++j) {
                tiles[static_cast<std::size_t>(mask)][static_cast<std::size_t>(i)]
                     [static_cast<std::size_t>(j)] = clsDataMask::Condition(mask, i, j) ? 1 : 0;
            }
        }
    }
    return tiles;
}();

// Row i of a mask's tile: the inversions of row i, repeated every 48 columns.
const std::uint8_t* TileRow(std::int32_t mask, std::int32_t i) {
    return kMaskTiles[static_cast<std::size_t>(mask)][static_cast<std::size_t>(i % kTileRows)]
        .data();
}

} // namespace

void clsDataMask::Apply(const clsModuleMatrix& matrix, std::int32_t mask) {
    const std::int32_t width = matrix.Width();
    const std::int32_t height = matrix.Height();
    for (std::int32_t i = 0; i < height; ++i) {
        std::uint8_t* row = matrix.Row(i);
        const std::uint8_t* pattern = TileRow(mask, i);
        std::int32_t j = 0;
        for (; j + kTileColumns <= width; j += kTileColumns) {
            for (std::int32_t t = 0; t < kTileColumns; ++t) {
                row[j + t] ^= pattern[t];
            }
        }
        for (std::int32_t t = 0; j < width; ++j, ++t) {
            row[j] ^= pattern[t];
        }
    }
}

void clsDataMask::MaskAndCombine(const clsModuleMatrix& matrix, std::int32_t mask) {
    // Branch-free so that it vectorises: Free (0) and Data (4 | bit) modules are "free" and take
    // the mask; Dark (1) and Light (2) keep their low bit.
    const std::int32_t width = matrix.Width();
    const std::int32_t height = matrix.Height();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = matrix.Row(y);
        const std::uint8_t* pattern = TileRow(mask, y);
        for (std::int32_t x = 0; x < width; x += kTileColumns) {
            const std::int32_t columns = std::min(kTileColumns, width - x);
            for (std::int32_t t = 0; t < columns; ++t) {
                const std::uint8_t v = row[x + t];
                const auto free = static_cast<std::uint8_t>((v == 0) | (v >> 2));
                row[x + t] = static_cast<std::uint8_t>((v & 1) ^ (pattern[t] & free));
            }
        }
    }
}

} // namespace ostrel
