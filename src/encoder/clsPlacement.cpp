#include "clsPlacement.h"

#include <algorithm>
#include <array>
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

// Four steps of two data modules each for the byte v, the first step from its two most
// significant bits: in each step the left-hand module (lower address) takes the second bit and
// the right-hand one the first; each module is Data | its bit.
constexpr std::array<std::array<std::uint8_t, 8>, 256> kDataQuads = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (std::size_t v = 0; v < 256; ++v) {
        for (std::size_t step = 0; step < 4; ++step) {
            const std::size_t first = 7 - 2 * step;
            table[v][2 * step] = static_cast<std::uint8_t>(Module::Data | ((v >> (first - 1)) & 1));
            table[v][2 * step + 1] = static_cast<std::uint8_t>(Module::Data | ((v >> first) & 1));
        }
    }
    return table;
}();

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
    std::int64_t k = 0; // the next bit of the sequence
    for (const Run& run : m_Runs) {
        std::uint8_t* q = modules + run.Offset;
        const std::ptrdiff_t step = run.Step;
        for (std::int32_t left = run.Count; left > 0;) {
            // Up to 56 bits from bit k on, at the top of the word.
            std::uint64_t word = LoadBigEndian64(sequence + (k >> 3)) << (k & 7);
            if (run.Bits == 2) {
                // Four steps per byte of the sequence while four are left, then one at a time.
                const std::int32_t steps = std::min(left, kPairStepsPerLoad);
                std::int32_t i = 0;
                for (; i + 4 <= steps; i += 4, q += 4 * step) {
                    const auto& quad = kDataQuads[word >> 56];
                    std::memcpy(q, quad.data(), 2);
                    std::memcpy(q + step, quad.data() + 2, 2);
                    std::memcpy(q + 2 * step, quad.data() + 4, 2);
                    std::memcpy(q + 3 * step, quad.data() + 6, 2);
                    word <<= 8;
                }
                for (; i < steps; ++i, q += step) {
                    std::memcpy(q, kDataQuads[word >> 56].data(), 2);
                    word <<= 2;
                }
                left -= steps;
                k += 2 * static_cast<std::int64_t>(steps);
            } else {
                const std::int32_t steps = std::min(left, kSingleStepsPerLoad);
                for (std::int32_t i = 0; i < steps; ++i, q += step) {
                    *q = static_cast<std::uint8_t>(Module::Data | (word >> 63));
                    word <<= 1;
                }
                left -= steps;
                k += steps;
            }
        }
    }
}

} // namespace ostrel
