#include "clsDataMask.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ostrel {

namespace {

constexpr std::int32_t kMaskCount = clsDataMask::MaskCount;
constexpr std::int32_t kTileRows = 12;
// The period of a tile row; each row is stored with a vector's width more of the same pattern,
// so that a vector can be read from any column of the period.
constexpr std::int32_t kTilePeriod = 48;
constexpr std::int32_t kVectorBytes = 16;
constexpr std::int32_t kTileColumns = kTilePeriod + kVectorBytes;
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

// Sixteen modules in one vector (GCC's vector extension; plain code where there is no vector
// unit).
using Bytes16 = std::uint8_t __attribute__((vector_size(kVectorBytes)));

Bytes16 Load16(const std::uint8_t* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void Store16(std::uint8_t* p, Bytes16 v) {
    std::memcpy(p, &v, sizeof v);
}

// Free (0) and Data (4 | bit) modules are "free" and take the mask; Dark (1) and Light (2) keep
// their low bit.
std::uint8_t CombineModule(std::uint8_t v, std::uint8_t inversion) {
    const auto free = static_cast<std::uint8_t>((v == 0) | (v >> 2));
    return static_cast<std::uint8_t>((v & 1) ^ (inversion & free));
}

// CombineModule on sixteen modules at once (the comparison gives 0xFF where true).
Bytes16 Combine(Bytes16 v, Bytes16 inversion) {
    const Bytes16 free = reinterpret_cast<Bytes16>(v == 0) | (v >> 2);
    return (v & 1) ^ (inversion & free);
}

} // namespace

void clsDataMask::Apply(const clsModuleMatrix& matrix, std::int32_t mask) {
    const std::int32_t width = matrix.Width();
    const std::int32_t height = matrix.Height();
    for (std::int32_t i = 0; i < height; ++i) {
        std::uint8_t* row = matrix.Row(i);
        const std::uint8_t* pattern = TileRow(mask, i);
        std::int32_t j = 0;
        for (; j + kTilePeriod <= width; j += kTilePeriod) {
            for (std::int32_t t = 0; t < kTilePeriod; ++t) {
                row[j + t] ^= pattern[t];
            }
        }
        for (std::int32_t t = 0; j < width; ++j, ++t) {
            row[j] ^= pattern[t];
        }
    }
}

void clsDataMask::MaskAndCombine(const clsModuleMatrix& matrix, std::int32_t mask) {
    const std::int32_t width = matrix.Width();
    const std::int32_t height = matrix.Height();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = matrix.Row(y);
        const std::uint8_t* pattern = TileRow(mask, y);
        if (width < kVectorBytes) {
            for (std::int32_t x = 0; x < width; ++x) {
                row[x] = CombineModule(row[x], pattern[x % kTilePeriod]);
            }
            continue;
        }
        // The last 16 modules first, from the row as it was: stored after the others, they
        // overwrite the modules the last whole vector shares with them by the same values.
        const std::int32_t last = width - kVectorBytes;
        const Bytes16 tail = Combine(Load16(row + last), Load16(pattern + last % kTilePeriod));
        // Whole periods of three vectors, then the whole vectors left (the column within the
        // period is then x - start).
        std::int32_t x = 0;
        for (; x + kTilePeriod <= width; x += kTilePeriod) {
            for (std::int32_t p = 0; p < kTilePeriod; p += kVectorBytes) {
                Store16(row + x + p, Combine(Load16(row + x + p), Load16(pattern + p)));
            }
        }
        for (const std::int32_t start = x; x + kVectorBytes <= width; x += kVectorBytes) {
            Store16(row + x, Combine(Load16(row + x), Load16(pattern + (x - start))));
        }
        Store16(row + last, tail);
    }
}

} // namespace ostrel
