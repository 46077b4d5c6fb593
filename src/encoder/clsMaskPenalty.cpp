#include "clsMaskPenalty.h"

#include "clsDataMask.h"
#include "clsSymbolBuilder.h"

#include <array>
#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

namespace ostrel {

namespace {

// Bits set in a word, without the popcount instruction (not part of the baseline x86-64 that
// we build for, and a library call without it).
constexpr std::int32_t PopCount(std::uint64_t w) {
    w -= (w >> 1) & 0x5555555555555555ULL;
    w = (w & 0x3333333333333333ULL) + ((w >> 2) & 0x3333333333333333ULL);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<std::int32_t>((w * 0x0101010101010101ULL) >> 56);
}

// One row or column of a symbol (plus the padding below) as bits, module k in bit k, in Words
// 64-bit words; the shifts move whole lines: (a >> j) bit k is a bit k + j, (a << j) bit k is
// a bit k - j. The data area of a symbol is close to random, so a loop that branched at every
// change of colour would mispredict at about every other module; these operations do not branch.
template <std::size_t Words> struct Line {
    std::array<std::uint64_t, Words> W{};

    void Set(std::size_t k, std::uint64_t bit) { W[k / 64] |= bit << (k % 64); }
    friend Line operator&(Line a, const Line& b) {
        for (std::size_t i = 0; i < Words; ++i) {
            a.W[i] &= b.W[i];
        }
        return a;
    }
    friend Line operator^(Line a, const Line& b) {
        for (std::size_t i = 0; i < Words; ++i) {
            a.W[i] ^= b.W[i];
        }
        return a;
    }
    Line operator~() const {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            r.W[i] = ~W[i];
        }
        return r;
    }
    // Shifts by 1..63.
    Line operator>>(std::size_t j) const {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            r.W[i] = (W[i] >> j) | (i + 1 < Words ? W[i + 1] << (64 - j) : 0);
        }
        return r;
    }
    Line operator<<(std::size_t j) const {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            r.W[i] = (W[i] << j) | (i > 0 ? W[i - 1] >> (64 - j) : 0);
        }
        return r;
    }
    std::int32_t Count() const {
        std::int32_t c = 0;
        for (const std::uint64_t w : W) {
            c += PopCount(w);
        }
        return c;
    }
    // Bits 0 .. n-1 set.
    static Line Ones(std::size_t n) {
        Line r;
        for (std::size_t i = 0; i < Words; ++i) {
            const std::size_t from = 64 * i;
            r.W[i] = n >= from + 64 ? ~std::uint64_t{0}
                     : n > from     ? (std::uint64_t{1} << (n - from)) - 1
                                    : 0;
        }
        return r;
    }
};

// Light modules of quiet zone kept on either side of a line for the finder-like rule.
constexpr std::size_t kPadding = clsMaskPenalty::FinderLightRun;

// N1 and N3 of one line of n modules, given with kPadding light modules before it (module k in
// bit k + kPadding, light beyond both ends).
template <std::size_t Words>
void ScoreLine(const Line<Words>& padded, std::size_t n, clsMaskPenalty::Score& score) {
    using Line = ::ostrel::Line<Words>;
    // Runs of one colour: a run of m >= 5 modules holds m - 4 windows of five equal modules and
    // scores 3 + (m - 5) = (m - 4) + (N1 - 1), so the rule is the number of such windows plus
    // N1 - 1 per run (a window whose predecessor is not one).
    const Line line = padded >> kPadding;
    const Line equal = ~(line ^ (line >> 1)) & Line::Ones(n - 1); // k and k + 1 alike
    const Line window = equal & (equal >> 1) & (equal >> 2) & (equal >> 3);
    const Line first = window & ~(window << 1);
    score.Runs += window.Count() + (clsMaskPenalty::N1 - 1) * first.Count();

    // Finder-like patterns 1011101 starting at q (padded), with four light modules at q - 4 ..
    // q - 1, and again with four at q + 7 .. q + 10.
    const Line light = ~padded;
    const Line pattern = padded & (light >> 1) & (padded >> 2) & (padded >> 3) & (padded >> 4) &
                         (light >> 5) & (padded >> 6);
    const Line fourLight = light & (light >> 1) & (light >> 2) & (light >> 3);
    score.FinderLike += clsMaskPenalty::N3 * ((pattern & (fourLight << 4)).Count() +
                                              (pattern & (fourLight >> 7)).Count());
}

// N1, N2 and N3 of a side x side matrix into score; returns the number of dark modules.
template <std::size_t Words>
std::int64_t ScoreMatrix(std::span<const std::uint8_t> modules, std::int32_t side,
                         std::int32_t stride, clsMaskPenalty::Score& score) {
    using Line = ::ostrel::Line<Words>;
    // Every row and every column as bits, with the padding before it.
    const auto n = static_cast<std::size_t>(side);
    std::vector<Line> rows(n);
    std::vector<Line> columns(n);
    for (std::size_t y = 0; y < n; ++y) {
        const std::uint8_t* in = modules.data() + y * static_cast<std::size_t>(stride);
        for (std::size_t x = 0; x < n; ++x) {
            const std::uint64_t bit = in[x] != 0 ? 1 : 0;
            rows[y].Set(x + kPadding, bit);
            columns[x].Set(y + kPadding, bit);
        }
    }
    std::int64_t dark = 0;
    for (std::size_t k = 0; k < n; ++k) {
        ScoreLine(rows[k], n, score);
        ScoreLine(columns[k], n, score);
        dark += rows[k].Count();
    }

    // 2 x 2 blocks of one colour: x and x + 1 alike in both rows, and the rows alike at x.
    const Line pairs = Line::Ones(n - 1 + kPadding) & ~Line::Ones(kPadding);
    std::int32_t blocks = 0;
    for (std::size_t y = 0; y + 1 < n; ++y) {
        const Line& a = rows[y];
        const Line& b = rows[y + 1];
        blocks += (~(a ^ (a >> 1)) & ~(b ^ (b >> 1)) & ~(a ^ b) & pairs).Count();
    }
    score.Blocks = clsMaskPenalty::N2 * blocks;
    return dark;
}

} // namespace

clsMaskPenalty::Score clsMaskPenalty::Evaluate(const clsQRCode::Symbol& symbol) {
    return Evaluate(symbol.Modules, symbol.Side, symbol.Stride());
}

clsMaskPenalty::Score clsMaskPenalty::Evaluate(std::span<const std::uint8_t> modules,
                                               std::int32_t side, std::int32_t stride) {
    Score score;
    if (side <= 0 || stride < side ||
        std::ssize(modules) < static_cast<std::int64_t>(stride) * (side - 1) + side) {
        return score;
    }
    // Lines of one, two or three words: up to version 9, 25 and 40.
    const auto width = static_cast<std::size_t>(side) + 2 * kPadding;
    std::int64_t dark = 0;
    if (width <= 64) {
        dark = ScoreMatrix<1>(modules, side, stride, score);
    } else if (width <= 128) {
        dark = ScoreMatrix<2>(modules, side, stride, score);
    } else if (width <= 192) {
        dark = ScoreMatrix<3>(modules, side, stride, score);
    } else {
        return score; // wider than any symbol
    }

    // Dark share: k whole steps of 5 % away from 50 %.
    const std::int64_t total = static_cast<std::int64_t>(side) * side;
    const std::int64_t k = std::llabs(20 * dark - 10 * total) / total;
    score.Balance = static_cast<std::int32_t>(k) * N4;
    return score;
}

std::optional<clsQRCode::Symbol>
clsMaskPenalty::EncodeBestMask(clsQRCode& encoder, std::span<const std::uint8_t> bytes,
                               std::int32_t length, std::int32_t version, std::int32_t level) {
    // The mask changes neither the data nor whether it fits: the symbol is placed once, and each
    // mask is tried on a copy with its own format information, as a reader would see it.
    std::optional<clsQRCode::Symbol> symbol = encoder.PlacedSymbol(bytes, length, version, level);
    if (symbol) {
        clsSymbolBuilder::ChooseMask(
            *symbol, clsDataMask::MaskCount, clsQRCode::FinishSymbol,
            [](const clsQRCode::Symbol& candidate) { return -Evaluate(candidate).Total(); });
    }
    return symbol;
}

} // namespace ostrel
