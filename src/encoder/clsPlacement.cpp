#include "clsPlacement.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace ostrel {

namespace {

using Module = clsModuleMatrix::ModuleValue;

// Calls visit(c, upward) for the left-hand column c of every column pair (c + 1, c) in placement
// order, from the right edge of a matrix `width` wide, stepping over skipColumn, until visit
// returns false. When the columns left are odd in number, the last pair is column 0 alone
// (c = -1).
template <typename Visit>
void ForEachColumnPair(std::int32_t width, std::int32_t skipColumn, Visit visit) {
    bool upward = true;
    for (std::int32_t right = width - 1; right >= 0; right -= 2, upward = !upward) {
        if (right == skipColumn) {
            --right;
        }
        if (right >= 0 && !visit(right - 1, upward)) {
            return;
        }
    }
}

// The eight bytes from p on as one word, the first byte the most significant.
std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    return (static_cast<std::uint64_t>(p[0]) << 56) | (static_cast<std::uint64_t>(p[1]) << 48) |
           (static_cast<std::uint64_t>(p[2]) << 40) | (static_cast<std::uint64_t>(p[3]) << 32) |
           (static_cast<std::uint64_t>(p[4]) << 24) | (static_cast<std::uint64_t>(p[5]) << 16) |
           (static_cast<std::uint64_t>(p[6]) << 8) | static_cast<std::uint64_t>(p[7]);
}

// Four steps of two modules each for the byte v, the first step from its two most significant
// bits: in each step the left-hand module (lower address) takes the second bit and the right-hand
// one the first, each module base | its bit. Step s is bits 16s .. 16s + 15 of the word, as the
// 16-bit value that stores the two modules in their order in memory (StorePairs).
template <std::uint8_t Base>
constexpr std::array<std::uint64_t, 256> kQuads = [] {
    constexpr bool little = std::endian::native == std::endian::little;
    std::array<std::uint64_t, 256> table{};
    for (std::uint64_t v = 0; v < 256; ++v) {
        for (std::uint64_t step = 0; step < 4; ++step) {
            const std::uint64_t first = 7 - 2 * step;
            const std::uint64_t left = Base | ((v >> (first - 1)) & 1);
            const std::uint64_t right = Base | ((v >> first) & 1);
            const std::uint64_t piece = little ? left | right << 8 : left << 8 | right;
            table[v] |= piece << (16 * step);
        }
    }
    return table;
}();

// The four steps of a word of kQuads at q, q + step, q + 2 step, q + 3 step: the low 16 bits
// stored and shifted out each time.
inline void StorePairs(std::uint8_t* q, std::ptrdiff_t step, std::uint64_t quad) {
    for (std::int32_t s = 0; s < 4; ++s, q += step, quad >>= 16) {
        const auto piece = static_cast<std::uint16_t>(quad);
        std::memcpy(q, &piece, 2);
    }
}

// Places `steps` two-module steps from the top bits of word at q (moving by step each time), each
// module Base | its bit.
template <std::uint8_t Base>
inline void PlacePairs(std::uint8_t*& q, std::ptrdiff_t step, std::uint64_t word,
                       std::int32_t steps) {
    // Four steps per byte of the sequence while four are left, then one at a time.
    std::int32_t i = 0;
    for (; i + 4 <= steps; i += 4, q += 4 * step) {
        StorePairs(q, step, kQuads<Base>[word >> 56]);
        word <<= 8;
    }
    for (; i < steps; ++i, q += step) {
        const auto piece = static_cast<std::uint16_t>(kQuads<Base>[word >> 56]);
        std::memcpy(q, &piece, 2);
        word <<= 2;
    }
}

// Bits a run consumes from one 64-bit load: 28 two-bit steps or 56 one-bit steps.
constexpr std::int32_t kPairStepsPerLoad = 28;
constexpr std::int32_t kSingleStepsPerLoad = 56;

} // namespace

void clsPlacement::PlaceBits(std::span<const std::uint8_t> pattern, std::int32_t patternStride,
                             const clsModuleMatrix& data, std::span<const std::uint8_t> sequence,
                             std::int32_t bitCount, std::int32_t skipColumn) {
    bitCount = static_cast<std::int32_t>(std::min<std::int64_t>(bitCount, std::ssize(sequence)));
    const std::int32_t height = data.Height();
    if (bitCount <= 0 || data.Empty() || patternStride < data.Width() ||
        std::ssize(pattern) < static_cast<std::int64_t>(patternStride) * height) {
        return;
    }
    const auto isFree = [&](std::int32_t x, std::int32_t y) {
        return pattern[static_cast<std::size_t>(y * patternStride + x)] == Module::Free;
    };
    std::int32_t k = 0;
    // Columns c + 1 and c of every row in the pair's direction; false once every bit is placed.
    ForEachColumnPair(data.Width(), skipColumn, [&](std::int32_t c, bool upward) {
        for (std::int32_t step = 0; step < height; ++step) {
            const std::int32_t y = upward ? height - 1 - step : step;
            for (const std::int32_t x : {c + 1, c}) {
                if (x >= 0 && isFree(x, y)) {
                    data.Set(x, y, sequence[static_cast<std::size_t>(k)]);
                    if (++k == bitCount) {
                        return false;
                    }
                }
            }
        }
        return true;
    });
}

std::vector<std::int32_t> clsPlacement::ModuleOrder(const clsModuleMatrix& pattern,
                                                    std::int32_t skipColumn) {
    std::vector<std::int32_t> order;
    const std::int32_t height = pattern.Height();
    ForEachColumnPair(pattern.Width(), skipColumn, [&](std::int32_t c, bool upward) {
        for (std::int32_t step = 0; step < height; ++step) {
            const std::int32_t y = upward ? height - 1 - step : step;
            for (const std::int32_t x : {c + 1, c}) {
                if (x >= 0 && pattern.At(x, y) == Module::Free) {
                    order.push_back(y * pattern.Width() + x);
                }
            }
        }
        return true;
    });
    return order;
}

bool clsPlacement::AddStep(const clsModuleMatrix& pattern, std::int32_t c, std::int32_t y,
                           std::int32_t direction, std::int32_t& remaining) {
    const std::int32_t offset = y * pattern.Stride() + c;
    const bool right = pattern.At(c + 1, y) == Module::Free;
    const bool left = c >= 0 && pattern.At(c, y) == Module::Free;
    Run step{static_cast<std::uint16_t>(offset),
             static_cast<std::int16_t>(direction * pattern.Stride()), 1, 2};
    if (right && left && remaining >= 2) {
        step.Bits = 2;
    } else if (right) {
        step.Offset = static_cast<std::uint16_t>(offset + 1);
        step.Bits = 1;
    } else if (left) {
        step.Bits = 1;
    } else {
        return true;
    }
    remaining -= step.Bits;
    if (!m_Runs.empty()) {
        Run& last = m_Runs.back();
        if (last.Bits == step.Bits && last.Step == step.Step &&
            last.Offset + last.Count * last.Step == step.Offset) {
            ++last.Count;
            return remaining > 0;
        }
    }
    m_Runs.push_back(step);
    return remaining > 0;
}

void clsPlacement::Prepare(const clsModuleMatrix& pattern, std::int32_t bitCount,
                           std::int32_t skipColumn) {
    m_Runs.clear();
    if (pattern.Empty()) {
        return;
    }
    std::int32_t remaining = bitCount;
    const std::int32_t height = pattern.Height();
    ForEachColumnPair(pattern.Width(), skipColumn, [&](std::int32_t c, bool upward) {
        for (std::int32_t step = 0; step < height && remaining > 0; ++step) {
            if (!AddStep(pattern, c, upward ? height - 1 - step : step, upward ? -1 : 1,
                         remaining)) {
                break;
            }
        }
        return remaining > 0;
    });
}

void clsPlacement::Place(std::uint8_t* modules, const std::uint8_t* sequence) const {
    PlaceRuns<false>(modules, sequence, nullptr);
}

void clsPlacement::PlaceMasked(std::uint8_t* modules, const std::uint8_t* sequence,
                               const std::uint8_t* maskBits) const {
    PlaceRuns<true>(modules, sequence, maskBits);
}

template <bool Masked>
void clsPlacement::PlaceRuns(std::uint8_t* modules, const std::uint8_t* sequence,
                             const std::uint8_t* maskBits) const {
    // A placed module is Data | its bit before the mask, its bit XOR the mask's when finished.
    constexpr std::uint8_t base = Masked ? 0 : Module::Data;
    std::int64_t k = 0; // the next bit of the sequence
    for (const Run& run : m_Runs) {
        std::uint8_t* q = modules + run.Offset;
        const std::ptrdiff_t step = run.Step;
        for (std::int32_t left = run.Count; left > 0;) {
            // Up to 56 bits from bit k on, at the top of the word.
            std::uint64_t word = LoadBigEndian64(sequence + (k >> 3));
            if constexpr (Masked) {
                word ^= LoadBigEndian64(maskBits + (k >> 3));
            }
            word <<= k & 7;
            if (run.Bits == 2) {
                const std::int32_t steps = std::min(left, kPairStepsPerLoad);
                PlacePairs<base>(q, step, word, steps);
                left -= steps;
                k += 2 * static_cast<std::int64_t>(steps);
            } else {
                const std::int32_t steps = std::min(left, kSingleStepsPerLoad);
                for (std::int32_t i = 0; i < steps; ++i, q += step) {
                    *q = static_cast<std::uint8_t>(base | (word >> 63));
                    word <<= 1;
                }
                left -= steps;
                k += steps;
            }
        }
    }
}

} // namespace ostrel
