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

// The eight modules of the byte v, the first from its most significant bit, each Base | its bit:
// module t is bits 8t .. 8t + 7 of the word.
template <std::uint8_t Base>
constexpr std::array<std::uint64_t, 256> kSingles = [] {
    std::array<std::uint64_t, 256> table{};
    for (std::uint64_t v = 0; v < 256; ++v) {
        for (std::uint64_t t = 0; t < 8; ++t) {
            table[v] |= (Base | ((v >> (7 - t)) & 1)) << (8 * t);
        }
    }
    return table;
}();

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
    VisitModuleOrder(pattern, skipColumn, [&](std::int32_t x, std::int32_t y) {
        order.push_back(y * pattern.Width() + x);
        return true;
    });
    return order;
}

void clsPlacement::VisitModuleOrder(const clsModuleMatrix& pattern, std::int32_t skipColumn,
                                    const std::function<bool(std::int32_t, std::int32_t)>& visit) {
    const std::int32_t height = pattern.Height();
    ForEachColumnPair(pattern.Width(), skipColumn, [&](std::int32_t c, bool upward) {
        for (std::int32_t step = 0; step < height; ++step) {
            const std::int32_t y = upward ? height - 1 - step : step;
            for (const std::int32_t x : {c + 1, c}) {
                if (x >= 0 && pattern.At(x, y) == Module::Free && !visit(x, y)) {
                    return false;
                }
            }
        }
        return true;
    });
}

std::vector<std::uint16_t> clsPlacement::BitModules(const clsModuleMatrix& pattern,
                                                    std::int32_t bitCount,
                                                    std::int32_t skipColumn) {
    std::vector<std::uint16_t> modules;
    const std::int32_t height = pattern.Height();
    ForEachColumnPair(pattern.Width(), skipColumn, [&](std::int32_t c, bool upward) {
        for (std::int32_t step = 0; step < height; ++step) {
            const std::int32_t y = upward ? height - 1 - step : step;
            for (const std::int32_t x : {c + 1, c}) {
                if (x >= 0 && std::ssize(modules) < bitCount && pattern.At(x, y) == Module::Free) {
                    modules.push_back(static_cast<std::uint16_t>(y * pattern.Stride() + x));
                }
            }
        }
        return std::ssize(modules) < bitCount;
    });
    return modules;
}

void clsPlacement::AddCodeword(const std::vector<std::uint16_t>& modules, std::size_t b,
                               std::int32_t stride) {
    const std::uint16_t* bit = modules.data() + 8 * b;
    const auto number = static_cast<std::uint16_t>(b);
    if (std::find(bit, bit + 8, kNoModule) != bit + 8) {
        m_TailByte = number;
        std::copy(bit, bit + 8, m_TailModules.begin());
        return;
    }
    // Four steps of two: the right-hand module (first bit) beside the left-hand one.
    bool pairs = true;
    for (std::size_t s = 0; s < 4; ++s) {
        pairs = pairs && bit[2 * s] == bit[2 * s + 1] + 1;
    }
    if (!pairs) {
        m_LooseBytes.push_back(number);
        m_LooseModules.insert(m_LooseModules.end(), bit, bit + 8);
        return;
    }
    // In one line: the left-hand modules one row apart in one direction.
    const std::int32_t step = bit[3] - bit[1];
    if ((step != stride && step != -stride) || bit[5] - bit[3] != step || bit[7] - bit[5] != step) {
        m_PairBytes.push_back(number);
        for (std::int32_t s = 0; s < 4; ++s) {
            m_PairModules.push_back(bit[2 * s + 1]);
        }
        return;
    }
    if (!m_Runs.empty()) {
        Run& last = m_Runs.back();
        if (last.Step == step && last.First + last.Count == number &&
            last.Offset + 4 * last.Count * last.Step == bit[1]) {
            ++last.Count;
            return;
        }
    }
    m_Runs.push_back({bit[1], static_cast<std::int16_t>(step), number, 1});
}

void clsPlacement::Prepare(const clsModuleMatrix& pattern, std::int32_t bitCount,
                           std::int32_t skipColumn) {
    m_Runs.clear();
    m_PairBytes.clear();
    m_PairModules.clear();
    m_LooseBytes.clear();
    m_LooseModules.clear();
    m_TailByte = -1;
    if (pattern.Empty() || bitCount <= 0) {
        return;
    }
    std::vector<std::uint16_t> modules = BitModules(pattern, bitCount, skipColumn);
    const std::size_t codewords = (modules.size() + 7) / 8;
    modules.resize(8 * codewords, kNoModule);
    for (std::size_t b = 0; b < codewords; ++b) {
        AddCodeword(modules, b, pattern.Stride());
    }
}

void clsPlacement::Place(std::uint8_t* modules, const std::uint8_t* sequence) const {
    PlaceCodewords<false>(modules, sequence, nullptr);
}

void clsPlacement::PlaceMasked(std::uint8_t* modules, const std::uint8_t* sequence,
                               const std::uint8_t* maskBits) const {
    PlaceCodewords<true>(modules, sequence, maskBits);
}

// The codeword b, XOR its mask bits in the fixed-mask form.
template <bool Masked>
inline std::uint8_t CodewordAt(const std::uint8_t* sequence, const std::uint8_t* maskBits,
                               std::size_t b) {
    if constexpr (Masked) {
        return static_cast<std::uint8_t>(sequence[b] ^ maskBits[b]);
    } else {
        return sequence[b];
    }
}

template <bool Masked>
void clsPlacement::PlaceCodewords(std::uint8_t* modules, const std::uint8_t* sequence,
                                  const std::uint8_t* maskBits) const {
    // A placed module is Data | its bit before the mask, its bit XOR the mask's when finished.
    constexpr std::uint8_t base = Masked ? 0 : Module::Data;
    for (const Run run : m_Runs) { // a copy: the stores below cannot change it
        std::uint8_t* q = modules + run.Offset;
        const std::ptrdiff_t step = run.Step;
        const std::size_t end = static_cast<std::size_t>(run.First) + run.Count;
        for (std::size_t b = run.First; b < end; ++b, q += 4 * step) {
            StorePairs(q, step, kQuads<base>[CodewordAt<Masked>(sequence, maskBits, b)]);
        }
    }
    PlaceOthers<Masked>(modules, sequence, maskBits);
}

template <bool Masked>
void clsPlacement::PlaceOthers(std::uint8_t* modules, const std::uint8_t* sequence,
                               const std::uint8_t* maskBits) const {
    constexpr std::uint8_t base = Masked ? 0 : Module::Data;
    const std::uint16_t* at = m_PairModules.data();
    for (const std::uint16_t b : m_PairBytes) {
        std::uint64_t quad = kQuads<base>[CodewordAt<Masked>(sequence, maskBits, b)];
        for (std::int32_t s = 0; s < 4; ++s, quad >>= 16, ++at) {
            const auto piece = static_cast<std::uint16_t>(quad);
            std::memcpy(modules + *at, &piece, 2);
        }
    }
    at = m_LooseModules.data();
    for (const std::uint16_t b : m_LooseBytes) {
        std::uint64_t singles = kSingles<base>[CodewordAt<Masked>(sequence, maskBits, b)];
        for (std::int32_t t = 0; t < 8; ++t, singles >>= 8, ++at) {
            modules[*at] = static_cast<std::uint8_t>(singles);
        }
    }
    if (m_TailByte >= 0) {
        const std::uint8_t v = CodewordAt<Masked>(sequence, maskBits, m_TailByte);
        for (std::int32_t t = 0; t < 8; ++t) {
            if (m_TailModules[t] != kNoModule) {
                modules[m_TailModules[t]] = static_cast<std::uint8_t>(base | ((v >> (7 - t)) & 1));
            }
        }
    }
}

} // namespace ostrel
