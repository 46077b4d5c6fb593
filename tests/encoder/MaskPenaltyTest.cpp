// The mask penalty rules of ISO/IEC 18004 clause 7.8.3 and the choice of the best mask: small
// matrices scored by hand, real symbols scored by a plain reference written here from the
// clause's table, and the mask choice checked against every alternative.
#include "clsMaskPenalty.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Score = clsMaskPenalty::Score;

// A square matrix built from rows of '0'/'1' (or '.'/'#'), stride = side.
struct Grid {
    std::int32_t Side = 0;
    Bytes Modules;

    explicit Grid(const std::vector<std::string>& rows)
        : Side(static_cast<std::int32_t>(rows.size())) {
        for (const auto& row : rows) {
            EXPECT_EQ(static_cast<std::int32_t>(row.size()), Side) << "not square: " << row;
            for (const char c : row) {
                Modules.push_back(c == '1' || c == '#' ? 1 : 0);
            }
        }
    }
    Score Evaluate() const { return clsMaskPenalty::Evaluate(Modules, Side, Side); }
};

// A side x side checkerboard (dark where x + y is even) with some rows replaced.
std::vector<std::string> Checkerboard(std::int32_t side) {
    std::vector<std::string> rows;
    for (std::int32_t y = 0; y < side; ++y) {
        std::string row;
        for (std::int32_t x = 0; x < side; ++x) {
            row += (x + y) % 2 == 0 ? '1' : '0';
        }
        rows.push_back(row);
    }
    return rows;
}

// A side x side light matrix with row y replaced.
std::vector<std::string> LightWithRow(const std::string& row, std::int32_t y) {
    const auto side = static_cast<std::int32_t>(row.size());
    std::vector<std::string> rows(static_cast<std::size_t>(side), std::string(row.size(), '0'));
    rows[static_cast<std::size_t>(y)] = row;
    return rows;
}

void ExpectScore(const Score& score, std::int32_t runs, std::int32_t blocks,
                 std::int32_t finderLike, std::int32_t balance) {
    EXPECT_EQ(score.Runs, runs);
    EXPECT_EQ(score.Blocks, blocks);
    EXPECT_EQ(score.FinderLike, finderLike);
    EXPECT_EQ(score.Balance, balance);
    EXPECT_EQ(score.Total(), runs + blocks + finderLike + balance);
}

// ---- Hand-scored matrices ----

TEST(MaskPenaltyTest, UniformMatricesScoreEveryRuleButTheFinderPattern) {
    // 5 x 5 light: ten lines with a run of five (3 each), 16 blocks, no dark module (k = 10).
    ExpectScore(Grid(std::vector<std::string>(5, "00000")).Evaluate(), 30, 48, 0, 100);
    // 6 x 6 dark: twelve runs of six (4 each), 25 blocks, all dark (k = 10).
    ExpectScore(Grid(std::vector<std::string>(6, "111111")).Evaluate(), 48, 75, 0, 100);
}

TEST(MaskPenaltyTest, CheckerboardScoresNothing) {
    ExpectScore(Grid(Checkerboard(6)).Evaluate(), 0, 0, 0, 0);
    ExpectScore(Grid(Checkerboard(21)).Evaluate(), 0, 0, 0, 0); // 221 of 441 dark: 50.1 %
}

TEST(MaskPenaltyTest, RunsScoreThreePlusOnePerModuleBeyondFive) {
    // One row replaced in a checkerboard: the columns alternate around it (runs of at most 3),
    // so only the replaced row scores.
    const struct {
        const char* Row;
        std::int32_t Runs;
    } cases[] = {
        {"101010101010", 0},  {"111101010101", 0}, // four: below the threshold
        {"111110101010", 3},                       // five
        {"111111010101", 4},                       // six
        {"111111000001", 7},                       // six dark (4) and five light (3)
        {"000000000000", 10},                      // twelve
        {"101000001111", 3},                       // five light in the middle, four dark at the end
        {"010101011111", 3},                       // five dark ending at the edge
    };
    for (const auto& c : cases) {
        auto rows = Checkerboard(12);
        rows[5] = c.Row;
        EXPECT_EQ(Grid(rows).Evaluate().Runs, c.Runs) << c.Row;
    }
    // Columns count as rows do: the transposed case.
    std::vector<std::string> rows = Checkerboard(8);
    for (std::int32_t y = 0; y < 8; ++y) {
        rows[static_cast<std::size_t>(y)][3] = '1'; // column 3: eight dark; rows: runs of three
    }
    EXPECT_EQ(Grid(rows).Evaluate().Runs, 6);
}

TEST(MaskPenaltyTest, BlocksCountEveryTwoByTwoSquareOfOneColour) {
    // A dark area in a checkerboard: no block reaches into the checkerboard, whose modules
    // alternate along both axes.
    const struct {
        std::int32_t Width, Height, Blocks;
    } cases[] = {{2, 2, 1}, {3, 2, 2}, {3, 3, 4}, {4, 3, 6}, {5, 5, 16}};
    for (const auto& c : cases) {
        auto rows = Checkerboard(10);
        for (std::int32_t y = 2; y < 2 + c.Height; ++y) {
            for (std::int32_t x = 3; x < 3 + c.Width; ++x) {
                rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = '1';
            }
        }
        EXPECT_EQ(Grid(rows).Evaluate().Blocks, 3 * c.Blocks) << c.Width << " x " << c.Height;
    }
    // Two light modules beside each other in two rows make a light block too.
    auto rows = Checkerboard(10);
    rows[4][6] = '0';
    rows[5][5] = '0'; // (5,4) (6,4) (5,5) (6,5): 0 0 / 0 0
    EXPECT_EQ(Grid(rows).Evaluate().Blocks, 3);
}

TEST(MaskPenaltyTest, FinderLikePatternNeedsFourLightModulesOnASide) {
    // One row in a light matrix: every column holds at most one dark module, so only the row can
    // show the pattern. Outside the matrix counts as light.
    const struct {
        const char* Row;
        std::int32_t Patterns;
    } cases[] = {
        {"1011101", 2},               // light beyond both edges: both sides count
        {"000010111010000", 2},       // four light modules on both sides
        {"010111010001", 1},          // edge before it; three light modules and a dark one after
        {"100010111010001", 0},       // three light modules on either side
        {"101110100001", 2},          // edge before, four after
        {"1000010111010001", 1},      // four before, three after
        {"101110100001011101", 4},    // two patterns sharing the four light modules
        {"110111010000", 1},          // a dark module before: only the four after count
        {"0000101101", 0},            // 1:1:2:1:1 is not the pattern
        {"00001011110100000", 0},     // 1:1:4:1:1 neither
        {"000011001111110011000", 0}, // 2:2:6:2:2: the rule counts single modules only
    };
    for (const auto& c : cases) {
        const std::string row = c.Row;
        const Grid grid(LightWithRow(row, static_cast<std::int32_t>(row.size()) / 2));
        EXPECT_EQ(grid.Evaluate().FinderLike, 40 * c.Patterns) << row;
    }
    // The same in a column.
    std::vector<std::string> rows(11, std::string(11, '0'));
    const std::string column = "00001011101";
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y][2] = column[y];
    }
    EXPECT_EQ(Grid(rows).Evaluate().FinderLike, 80);
}

TEST(MaskPenaltyTest, SingleRowMatrixScoredByHand) {
    // 7 x 7, light but for row 3 = 1011101. Rows: six light rows of seven (5 each) = 30; row 3
    // has no run of five. Columns: 1 and 5 all light (5 each) = 10; the others hold one dark
    // module. Blocks: the row pairs 0-1, 1-2, 4-5 and 5-6 are light (6 blocks each); row 3 has
    // no two light modules side by side, so the pairs 2-3 and 3-4 have none = 24 blocks. The
    // pattern has light beyond both edges = 2. Dark 5 of 49 = 10.2 %: 39.8 % from 50 %, k = 7.
    ExpectScore(Grid(LightWithRow("1011101", 3)).Evaluate(), 40, 72, 80, 70);
}

TEST(MaskPenaltyTest, BalanceCountsWholeStepsOfFivePercent) {
    // 10 x 10 with the first `dark` modules dark in row-major order: only the balance is
    // asserted (an even side, so exactly 55 % and 45 % occur: a whole step).
    const struct {
        std::int32_t Dark, Steps;
    } cases[] = {{50, 0}, {54, 0}, {46, 0}, {55, 1}, {45, 1}, {44, 1},  {59, 1},
                 {60, 2}, {40, 2}, {35, 3}, {71, 4}, {0, 10}, {100, 10}};
    for (const auto& c : cases) {
        std::vector<std::string> rows(10, std::string(10, '0'));
        for (std::int32_t k = 0; k < c.Dark; ++k) {
            rows[static_cast<std::size_t>(k / 10)][static_cast<std::size_t>(k % 10)] = '1';
        }
        EXPECT_EQ(Grid(rows).Evaluate().Balance, 10 * c.Steps) << c.Dark << " dark of 100";
    }
}

TEST(MaskPenaltyTest, StrideAndValuesOtherThanOne) {
    // A 6 x 6 checkerboard stored with stride 9, dark as 0xFF, light beyond the side as dark:
    // the padding must not be read.
    Bytes modules(9 * 6, 1);
    for (std::int32_t y = 0; y < 6; ++y) {
        for (std::int32_t x = 0; x < 6; ++x) {
            modules[static_cast<std::size_t>(y * 9 + x)] = (x + y) % 2 == 0 ? 0xFF : 0;
        }
    }
    ExpectScore(clsMaskPenalty::Evaluate(modules, 6, 9), 0, 0, 0, 0);
    // Too short a span, or a bad size: no score rather than a read beyond the end.
    ExpectScore(clsMaskPenalty::Evaluate(std::span(modules).first(40), 6, 9), 0, 0, 0, 0);
    ExpectScore(clsMaskPenalty::Evaluate(modules, 0, 9), 0, 0, 0, 0);
    ExpectScore(clsMaskPenalty::Evaluate(modules, 6, 5), 0, 0, 0, 0);
    // The widest matrix scored, and one beyond it (all light: every rule but the pattern).
    const Bytes light(185 * 185, 0);
    const Score widest = clsMaskPenalty::Evaluate(light, 184, 185);
    EXPECT_EQ(widest.Runs, 2 * 184 * (3 + 184 - 5));
    EXPECT_EQ(widest.Blocks, 3 * 183 * 183);
    EXPECT_EQ(widest.Balance, 100);
    ExpectScore(clsMaskPenalty::Evaluate(light, 185, 185), 0, 0, 0, 0);
}

// ---- Reference scorer: the clause's table read literally, module by module ----

std::int32_t Module(const clsQRCode::Symbol& s, std::int32_t x, std::int32_t y, bool vertical) {
    return vertical ? s.At(y, x) : s.At(x, y); // At is light outside the symbol
}

Score ReferenceScore(const clsQRCode::Symbol& s) {
    Score score;
    const std::int32_t n = s.Side;
    for (const bool vertical : {false, true}) {
        for (std::int32_t line = 0; line < n; ++line) {
            // Adjacent modules in a line in the same colour: 5 + i modules score 3 + i.
            for (std::int32_t start = 0; start < n;) {
                std::int32_t end = start;
                while (end < n &&
                       Module(s, end, line, vertical) == Module(s, start, line, vertical)) {
                    ++end;
                }
                if (end - start >= 5) {
                    score.Runs += 3 + (end - start - 5);
                }
                start = end;
            }
            // 1:1:3:1:1 (dark, light, dark, dark, dark, light, dark) preceded or followed by
            // four light modules: 40 for each side that has them.
            static constexpr int kPattern[7] = {1, 0, 1, 1, 1, 0, 1};
            for (std::int32_t p = 0; p + 7 <= n; ++p) {
                bool match = true;
                for (std::int32_t k = 0; k < 7; ++k) {
                    match = match && Module(s, p + k, line, vertical) == kPattern[k];
                }
                if (!match) {
                    continue;
                }
                bool before = true;
                bool after = true;
                for (std::int32_t k = 1; k <= 4; ++k) {
                    before = before && Module(s, p - k, line, vertical) == 0;
                    after = after && Module(s, p + 6 + k, line, vertical) == 0;
                }
                score.FinderLike += (before ? 40 : 0) + (after ? 40 : 0);
            }
        }
    }
    // Blocks of modules in the same colour, counted as the 2 x 2 squares they contain.
    std::int64_t dark = 0;
    for (std::int32_t y = 0; y < n; ++y) {
        for (std::int32_t x = 0; x < n; ++x) {
            dark += s.At(x, y);
            if (x + 1 < n && y + 1 < n && s.At(x, y) == s.At(x + 1, y) &&
                s.At(x, y) == s.At(x, y + 1) && s.At(x, y) == s.At(x + 1, y + 1)) {
                score.Blocks += 3;
            }
        }
    }
    // Dark share between 50 +- 5k % and 50 +- 5(k + 1) %: 10 k. In per mille of the whole
    // to stay with integers: deviation >= 50 (k + 1) per mille moves to the next step.
    const std::int64_t total = static_cast<std::int64_t>(n) * n;
    std::int32_t k = 0;
    while (std::llabs(1000 * dark - 500 * total) >= 50 * (k + 1) * total) {
        ++k;
    }
    score.Balance = 10 * k;
    return score;
}

Bytes RandomText(std::mt19937& rng) {
    static const std::string kAlphabet =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:abcdefghijklmnopqrstuvwxyz";
    std::uniform_int_distribution<int> length(0, 220);
    std::uniform_int_distribution<int> kind(0, 9);
    Bytes text(static_cast<std::size_t>(length(rng)));
    for (auto& b : text) {
        b = kind(rng) == 0 ? static_cast<std::uint8_t>(rng())
                           : static_cast<std::uint8_t>(kAlphabet[rng() % kAlphabet.size()]);
    }
    return text;
}

TEST(MaskPenaltyTest, RealSymbolsScoreAsTheReferenceDoes) {
    clsQRCode qr;
    std::mt19937 rng(7083);
    for (std::int32_t version = 1; version <= 40; ++version) {
        const std::int32_t level = 1 + version % 4;
        const std::int32_t mask = version % 8;
        Bytes text(static_cast<std::size_t>(qr.GetDataCodewords(level, version) / 2));
        for (auto& b : text) {
            b = static_cast<std::uint8_t>(rng());
        }
        const auto symbol =
            qr.EncodeMatrix(text, static_cast<std::int32_t>(text.size()), version, level, mask);
        ASSERT_TRUE(symbol);
        const Score expected = ReferenceScore(*symbol);
        const Score actual = clsMaskPenalty::Evaluate(*symbol);
        EXPECT_EQ(actual.Runs, expected.Runs) << "version " << version;
        EXPECT_EQ(actual.Blocks, expected.Blocks) << "version " << version;
        EXPECT_EQ(actual.FinderLike, expected.FinderLike) << "version " << version;
        EXPECT_EQ(actual.Balance, expected.Balance) << "version " << version;
        // Every symbol has its three finder patterns at the edges: the rows and columns through
        // their centres show the pattern with the edge on one side (at least 12 x 40).
        EXPECT_GE(actual.FinderLike, 12 * 40) << "version " << version;
    }
}

TEST(MaskPenaltyTest, BestMaskScoresLowestOfTheEight) {
    clsQRCode qr;
    std::mt19937 rng(2311);
    std::array<int, 8> chosen{};
    for (int round = 0; round < 300; ++round) {
        const Bytes text = RandomText(rng);
        const auto level = static_cast<std::int32_t>(1 + rng() % 4);
        const auto length = static_cast<std::int32_t>(text.size());
        const auto best = clsMaskPenalty::EncodeBestMask(qr, text, length, 0, level);
        ASSERT_TRUE(best);
        const std::int32_t bestScore = ReferenceScore(*best).Total();
        ++chosen[static_cast<std::size_t>(best->Mask)];
        for (std::int32_t mask = 0; mask < 8; ++mask) {
            const auto symbol = qr.EncodeMatrix(text, length, 0, level, mask);
            ASSERT_TRUE(symbol);
            const std::int32_t score = ReferenceScore(*symbol).Total();
            if (mask == best->Mask) {
                EXPECT_EQ(symbol->Modules, best->Modules) << "round " << round;
            } else if (mask < best->Mask) {
                EXPECT_GT(score, bestScore) << "round " << round << " mask " << mask;
            } else {
                EXPECT_GE(score, bestScore) << "round " << round << " mask " << mask;
            }
        }
    }
    // Every mask wins somewhere: the choice depends on the data, not a fixed preference.
    for (std::size_t mask = 0; mask < chosen.size(); ++mask) {
        EXPECT_GT(chosen[mask], 0) << "mask " << mask << " never chosen";
    }
}

// The automatic mask's bit rows, a line at a time and four at a time (as far as this processor
// can), against the plain way (each mask applied to a copy, its information written, the copy
// scored by Evaluate): every version, level and mask, at four fillings.
TEST(MaskPenaltyTest, BitRowTotalsAreThePlainTotalsForEveryVersionLevelAndMask) {
    using Scoring = clsMaskPenalty::Scoring;
    clsQRCode qr;
    std::mt19937 rng(4409);
    for (std::int32_t version = 1; version <= 40; ++version) {
        for (std::int32_t level = 1; level <= 4; ++level) {
            // Random bytes filling a quarter and three quarters, and bytes all 0x00 and all 0xFF
            // (long runs and regular patterns across the words of the lines).
            for (const std::int32_t fill : {0, 1, 2, 3}) {
                Bytes text(static_cast<std::size_t>(qr.GetDataCodewords(level, version) *
                                                    (fill == 0 ? 1 : 3) / 4));
                for (auto& b : text) {
                    b = static_cast<std::uint8_t>(fill < 2 ? rng() : fill == 2 ? 0x00 : 0xFF);
                }
                const auto length = static_cast<std::int32_t>(text.size());
                const auto plain =
                    clsMaskPenalty::MaskTotals(qr, text, length, version, level, Scoring::Plain);
                ASSERT_TRUE(plain) << "version " << version << " level " << level;
                for (const Scoring way : {Scoring::Words, Scoring::Avx2, Scoring::Avx512}) {
                    const auto fast =
                        clsMaskPenalty::MaskTotals(qr, text, length, version, level, way);
                    ASSERT_TRUE(fast) << "version " << version << " level " << level;
                    EXPECT_EQ(*fast, *plain) << "version " << version << " level " << level
                                             << " way " << static_cast<int>(way);
                }
            }
        }
    }
    for (const Scoring way : {Scoring::Plain, Scoring::Words, Scoring::Avx2, Scoring::Avx512}) {
        EXPECT_FALSE(clsMaskPenalty::MaskTotals(qr, Bytes(3000, 'x'), 3000, 5, 1, way));
    }
    RecordProperty("avx2", clsMaskPenalty::Runs(Scoring::Avx2) ? "ran" : "not on this processor");
    RecordProperty("avx512",
                   clsMaskPenalty::Runs(Scoring::Avx512) ? "ran" : "not on this processor");
}

TEST(MaskPenaltyTest, BestMaskKeepsTheEncoderSettingsAndFailures) {
    clsQRCode qr;
    const Bytes text(3000, 'x');
    // Too long for version 5: no symbol with any mask.
    EXPECT_FALSE(clsMaskPenalty::EncodeBestMask(qr, text, 3000, 5, 1));
    EXPECT_FALSE(clsMaskPenalty::EncodeBestMask(qr, text, 10, -1, 1));
    const auto symbol = clsMaskPenalty::EncodeBestMask(qr, text, 10, 3, 4);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->Version, 3);
    EXPECT_EQ(symbol->Level, 4);
}

} // namespace
} // namespace ostrel
