#include "clsMaskPenalty.h"

#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

namespace ostrel {

namespace {

// An 11-module window (oldest module in the highest bit) that shows a 1:1:3:1:1 finder-like
// pattern with its four light modules before it, and the same pattern followed by four light
// modules.
constexpr std::uint32_t kWindowMask = (1U << 11) - 1;
constexpr std::uint32_t kLightThenPattern = 0b0000'1011101;
constexpr std::uint32_t kPatternThenLight = 0b1011101'0000;

// N1 and N3 of one line of n modules (0 light, 1 dark), line[k] the k-th module along it.
void ScoreLine(const std::uint8_t* line, std::int32_t n, clsMaskPenalty::Score& score) {
    // Runs of one colour.
    std::int32_t run = 0;
    std::uint8_t colour = 2;
    for (std::int32_t k = 0; k < n; ++k) {
        if (line[k] == colour) {
            ++run;
            continue;
        }
        if (run >= clsMaskPenalty::MinRun) {
            score.Runs += clsMaskPenalty::N1 + (run - clsMaskPenalty::MinRun);
        }
        colour = line[k];
        run = 1;
    }
    if (run >= clsMaskPenalty::MinRun) {
        score.Runs += clsMaskPenalty::N1 + (run - clsMaskPenalty::MinRun);
    }

    // Finder-like patterns: the window slides over the line with four light modules of quiet
    // zone on either side (the window starts empty, which is those on the near side).
    std::uint32_t window = 0;
    for (std::int32_t k = 0; k < n + clsMaskPenalty::FinderLightRun; ++k) {
        const std::uint32_t bit = k < n ? line[k] : 0U;
        window = ((window << 1) | bit) & kWindowMask;
        if (window == kLightThenPattern || window == kPatternThenLight) {
            score.FinderLike += clsMaskPenalty::N3;
        }
    }
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
    const auto at = [&](std::int32_t x, std::int32_t y) -> std::uint8_t {
        return modules[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                       static_cast<std::size_t>(x)] != 0
                   ? 1
                   : 0;
    };

    std::vector<std::uint8_t> line(static_cast<std::size_t>(side));
    std::int64_t dark = 0;
    for (std::int32_t y = 0; y < side; ++y) {
        for (std::int32_t x = 0; x < side; ++x) {
            line[static_cast<std::size_t>(x)] = at(x, y);
            dark += line[static_cast<std::size_t>(x)];
        }
        ScoreLine(line.data(), side, score);
    }
    for (std::int32_t x = 0; x < side; ++x) {
        for (std::int32_t y = 0; y < side; ++y) {
            line[static_cast<std::size_t>(y)] = at(x, y);
        }
        ScoreLine(line.data(), side, score);
    }

    // 2 x 2 blocks of one colour.
    for (std::int32_t y = 0; y + 1 < side; ++y) {
        for (std::int32_t x = 0; x + 1 < side; ++x) {
            const std::int32_t sum = at(x, y) + at(x + 1, y) + at(x, y + 1) + at(x + 1, y + 1);
            if (sum == 0 || sum == 4) {
                score.Blocks += N2;
            }
        }
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
    std::optional<clsQRCode::Symbol> best;
    std::int32_t bestScore = 0;
    for (std::int32_t mask = 0; mask < 8; ++mask) {
        std::optional<clsQRCode::Symbol> symbol =
            encoder.EncodeMatrix(bytes, length, version, level, mask);
        if (!symbol) {
            return std::nullopt; // the mask does not change whether the data fits
        }
        const std::int32_t total = Evaluate(*symbol).Total();
        if (!best || total < bestScore) {
            best = std::move(symbol);
            bestScore = total;
        }
    }
    return best;
}

} // namespace ostrel
