#include "LogoBruteForce.h"

#include "SymbolReader.h"
#include "clsQRCapacity.h"

namespace ostrel::test {

std::vector<std::int32_t> DealtBlocks(std::int32_t version, std::int32_t level) {
    const std::int32_t blocks = clsQRCapacity::BlockCount(level, version);
    const std::int32_t ecc = clsQRCapacity::EccPerBlock(level, version);
    const std::int32_t data = clsQRCapacity::TotalCodewords(version) - blocks * ecc;
    // The shorter blocks come first; they are left out of the last column.
    std::vector<std::int32_t> length(static_cast<std::size_t>(blocks), data / blocks);
    for (std::int32_t b = blocks - data % blocks; b < blocks; ++b) {
        ++length[static_cast<std::size_t>(b)];
    }
    std::vector<std::int32_t> dealt;
    for (std::int32_t i = 0; i <= data / blocks; ++i) {
        for (std::int32_t b = 0; b < blocks; ++b) {
            if (i < length[static_cast<std::size_t>(b)]) {
                dealt.push_back(b);
            }
        }
    }
    for (std::int32_t i = 0; i < ecc * blocks; ++i) {
        dealt.push_back(i % blocks);
    }
    return dealt;
}

std::int32_t Correctable(std::int32_t version, std::int32_t level) {
    std::int32_t p = 0;
    if (version == 1) {
        p = level == 1 ? 3 : level == 2 ? 2 : 1;
    } else if (level == 1 && version <= 3) {
        p = version == 2 ? 2 : 1;
    }
    return clsQRCapacity::EccPerBlock(level, version) / 2 - p;
}

std::vector<std::int32_t> BruteForceLoads(const clsQRCode::Symbol& symbol, std::int32_t x,
                                          std::int32_t y, std::int32_t side) {
    clsQRCode::Symbol flipped = symbol;
    for (std::int32_t row = y; row < y + side; ++row) {
        for (std::int32_t column = x; column < x + side; ++column) {
            if (!IsFunctionModule(symbol.Version, column, row)) {
                flipped.Modules[static_cast<std::size_t>(row * symbol.Stride() + column)] ^= 1;
            }
        }
    }
    const auto before = ReadCodewords(symbol, symbol.Mask);
    const auto after = ReadCodewords(flipped, symbol.Mask);
    const auto dealt = DealtBlocks(symbol.Version, symbol.Level);
    std::vector<std::int32_t> wrong(
        static_cast<std::size_t>(clsQRCapacity::BlockCount(symbol.Level, symbol.Version)), 0);
    for (std::size_t c = 0; c < dealt.size() && c < before.size(); ++c) {
        wrong[static_cast<std::size_t>(dealt[c])] += before[c] != after[c] ? 1 : 0;
    }
    return wrong;
}

bool BruteForceFits(const clsQRCode::Symbol& symbol, std::int32_t x, std::int32_t y,
                    std::int32_t side, std::int32_t budget) {
    const std::int32_t allowed = Correctable(symbol.Version, symbol.Level) * budget / 100;
    for (const std::int32_t wrong : BruteForceLoads(symbol, x, y, side)) {
        if (wrong > allowed) {
            return false;
        }
    }
    return true;
}

} // namespace ostrel::test
