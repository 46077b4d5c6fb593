// The build steps that QR Code, Micro QR and rMQR share (clsSymbolBuilder), the ECI header in the
// indicator width of each mode table, and the automatic QR Code mask on the placed symbol against
// the eight finished symbols of the fixed masks.
#include "clsBitWriter.h"
#include "clsLayoutCache.h"
#include "clsMaskPenalty.h"
#include "clsMicroQRLayout.h"
#include "clsMicroQRTable.h"
#include "clsQRCapacity.h"
#include "clsQRCode.h"
#include "clsQRLayout.h"
#include "clsRMQRCode.h"
#include "clsRMQRLayout.h"
#include "clsRMQRTable.h"
#include "clsSegmentWriter.h"
#include "clsSymbolBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using ostrel::clsMaskPenalty;
using ostrel::clsQRCode;
using ostrel::clsSymbolBuilder;
using Bytes = std::vector<std::uint8_t>;

// Random bytes (digits, letters and any byte) that fit version at level in byte mode, after a
// structured-append and an ECI header (at most 48 bits) and the segment header (at most 20).
Bytes TextFor(std::mt19937& rng, const clsQRCode& qr, std::int32_t version, std::int32_t level) {
    const std::int32_t room = std::max(1, qr.GetDataCodewords(level, version) - 9);
    Bytes text(static_cast<std::size_t>(1 + rng() % static_cast<std::uint32_t>(room)));
    for (auto& b : text) {
        const std::uint32_t kind = rng() % 3;
        b = static_cast<std::uint8_t>(kind == 0   ? '0' + rng() % 10
                                      : kind == 1 ? 'A' + rng() % 26
                                                  : rng() % 256);
    }
    return text;
}

// The choice made the long way: each mask's finished symbol from EncodeMatrix, scored; the lowest
// total wins, the lower mask on a tie.
std::optional<clsQRCode::Symbol> BestOfEight(clsQRCode& qr, const Bytes& text, std::int32_t version,
                                             std::int32_t level) {
    std::optional<clsQRCode::Symbol> best;
    std::int32_t bestTotal = 0;
    for (std::int32_t mask = 0; mask < 8; ++mask) {
        auto symbol =
            qr.EncodeMatrix(text, static_cast<std::int32_t>(text.size()), version, level, mask);
        if (!symbol) {
            return std::nullopt;
        }
        const std::int32_t total = clsMaskPenalty::Evaluate(*symbol).Total();
        if (!best || total < bestTotal) {
            best = std::move(symbol);
            bestTotal = total;
        }
    }
    return best;
}

void ExpectSameSymbol(const std::optional<clsQRCode::Symbol>& actual,
                      const std::optional<clsQRCode::Symbol>& expected, const std::string& what) {
    ASSERT_TRUE(expected) << what;
    ASSERT_TRUE(actual) << what;
    EXPECT_EQ(actual->Version, expected->Version) << what;
    EXPECT_EQ(actual->Level, expected->Level) << what;
    EXPECT_EQ(actual->Mask, expected->Mask) << what;
    EXPECT_EQ(actual->Side, expected->Side) << what;
    EXPECT_EQ(actual->Modules, expected->Modules) << what;
}

// ---- The automatic mask on the placed symbol ----

TEST(SymbolBuilderTest, AutomaticMaskChoosesAsTheEightFinishedSymbolsAtEveryVersion) {
    // Every version (7 and above carry version information), every level, with and without the
    // headers ahead of the segments: the placed symbol must be masked and completed as the
    // fixed-mask path does it.
    std::mt19937 rng(4711);
    for (std::int32_t version = 1; version <= clsQRCode::MaxVersion; ++version) {
        clsQRCode qr;
        const std::int32_t level = 1 + version % 4;
        if (version % 3 == 1) {
            qr.SetEciDesignator(version % 2 == 0 ? 26 : 20000);
        }
        if (version % 5 == 2) {
            qr.SetStructuredAppend(clsQRCode::StructuredAppendHeader{1, 3, 0x5A});
        }
        const Bytes text = TextFor(rng, qr, version, level);
        const auto length = static_cast<std::int32_t>(text.size());
        const std::string what = "version " + std::to_string(version);
        ExpectSameSymbol(clsMaskPenalty::EncodeBestMask(qr, text, length, version, level),
                         BestOfEight(qr, text, version, level), what);
        // The automatic version as well, and a level outside 1..4 (it becomes M).
        ExpectSameSymbol(clsMaskPenalty::EncodeBestMask(qr, text, length, 0, 7),
                         BestOfEight(qr, text, 0, 7), what + " automatic");
    }
}

TEST(SymbolBuilderTest, AutomaticMaskReusesOnePlacedLayoutAcrossCalls) {
    // One encoder object for symbols of alternating versions: the placement kept from the last
    // call must never leak into the next symbol.
    clsQRCode qr;
    std::mt19937 rng(99);
    for (std::int32_t round = 0; round < 24; ++round) {
        const std::int32_t version = round % 2 == 0 ? 2 + round : 3;
        const Bytes text = TextFor(rng, qr, version, 2);
        const auto length = static_cast<std::int32_t>(text.size());
        ExpectSameSymbol(clsMaskPenalty::EncodeBestMask(qr, text, length, version, 2),
                         BestOfEight(qr, text, version, 2), "round " + std::to_string(round));
    }
    // No symbol: too long for the version, or a negative version.
    const Bytes text(400, 'x');
    EXPECT_FALSE(clsMaskPenalty::EncodeBestMask(qr, text, 400, 4, 1));
    EXPECT_FALSE(clsMaskPenalty::EncodeBestMask(qr, text, 4, -2, 1));
}

// ---- A fixed mask placed with the codewords ----

struct LayoutCase {
    std::string Name;
    std::int32_t Width;
    std::int32_t Height;
    std::int32_t Bits;
    std::int32_t Skip;
    ostrel::clsLayoutCache::Draw Draw;
    std::int32_t Argument;
};

// prefix and n, joined by appending (GCC 12 warns falsely on "x" + std::string at -O3).
std::string Named(const char* prefix, std::int32_t n) {
    std::string name = prefix;
    name += std::to_string(n);
    return name;
}

// Every layout the symbol types place on, with the bits and skipped column each places.
std::vector<LayoutCase> EveryLayout() {
    using namespace ostrel;
    std::vector<LayoutCase> cases;
    for (std::int32_t v = 1; v <= clsQRCode::MaxVersion; ++v) {
        const std::int32_t side = clsQRLayout::SymbolSize(v);
        cases.push_back({Named("QR ", v), side, side, 8 * clsQRCapacity::TotalCodewords(v),
                         clsQRLayout::PlacementSkipColumn, clsQRLayout::DrawFunctionPatterns, v});
    }
    for (std::int32_t v = 1; v <= clsMicroQRTable::MaxVersion; ++v) {
        const std::int32_t side = clsMicroQRTable::Side(v);
        cases.push_back({Named("M", v), side, side, clsMicroQRLayout::DataModuleCount(v), -1,
                         clsMicroQRLayout::DrawFunctionPatterns, v});
    }
    for (std::int32_t i = 0; i < clsRMQRTable::SizeCount; ++i) {
        const std::int32_t width = clsRMQRTable::Width(i);
        cases.push_back({Named("rMQR ", i), width, clsRMQRTable::Height(i),
                         8 * clsRMQRTable::TotalCodewords(i), width - 1,
                         clsRMQRLayout::DrawFunctionPatterns, i});
    }
    return cases;
}

TEST(SymbolBuilderTest, FixedMaskPlacementEqualsPlacingThenMaskingOnEveryLayout) {
    // Every QR version, Micro QR version and rMQR size and every mask condition, random codewords
    // (and random spare bytes, which must not show): the layout finished for the mask with the
    // sequence placed into it, against the placement on the blank layout and the mask pass.
    std::mt19937 rng(2718);
    for (const LayoutCase& c : EveryLayout()) {
        ostrel::clsLayoutCache::Layout layout;
        ostrel::clsLayoutCache::Make(layout, c.Width, c.Height, c.Bits, c.Skip, c.Draw, c.Argument);
        Bytes sequence(static_cast<std::size_t>(c.Bits / 8 + 9));
        for (auto& b : sequence) {
            b = static_cast<std::uint8_t>(rng());
        }
        for (std::int32_t condition = 0; condition < 8; ++condition) {
            std::optional<clsQRCode::Symbol> plain(std::in_place);
            clsSymbolBuilder::PlaceOnLayout(*plain, 3, 2, layout, sequence.data());
            clsSymbolBuilder::ApplyMask(*plain, 9 - condition, condition);
            // Storage that held a larger symbol before is reused.
            std::optional<clsQRCode::Symbol> fast(std::in_place);
            fast->Modules.assign(40000, 7);
            clsSymbolBuilder::PlaceMasked(*fast, 3, 2, layout, sequence.data(), 9 - condition,
                                          condition);
            ExpectSameSymbol(fast, plain, c.Name + " mask " + std::to_string(condition));
            EXPECT_EQ(fast->Width, c.Width);
            EXPECT_EQ(fast->Height, c.Height);
        }
    }
}

// ---- The mask choice ----

TEST(SymbolBuilderTest, ChooseMaskTakesTheHighestScoreAndTheLowestMaskOnATie) {
    clsQRCode::Symbol placed;
    clsSymbolBuilder::Blank(placed, 1, 2, 5, 5);
    for (std::size_t k = 0; k < placed.Modules.size(); ++k) {
        placed.Modules[k] = static_cast<std::uint8_t>(k % 7);
    }
    // Score tables, each a row of eight: constant, rising, falling, one peak, two equal peaks.
    const std::array<std::array<std::int32_t, 8>, 5> scores = {{{3, 3, 3, 3, 3, 3, 3, 3},
                                                                {0, 1, 2, 3, 4, 5, 6, 7},
                                                                {7, 6, 5, 4, 3, 2, 1, 0},
                                                                {-9, -9, -2, -9, -9, -9, -9, -9},
                                                                {1, 5, 2, 0, 5, 4, 5, 3}}};
    // One pair of scratch symbols for every choice: what an earlier choice left in them is
    // never seen.
    std::array<clsQRCode::Symbol, 2> scratch;
    for (std::size_t row = 0; row < scores.size(); ++row) {
        for (const std::int32_t count : {1, 4, 8}) {
            std::int32_t expected = 0;
            for (std::int32_t m = 1; m < count; ++m) {
                if (scores[row][static_cast<std::size_t>(m)] >
                    scores[row][static_cast<std::size_t>(expected)]) {
                    expected = m;
                }
            }
            clsQRCode::Symbol symbol = placed;
            std::int32_t calls = 0;
            clsSymbolBuilder::ChooseMask(
                symbol, count, scratch,
                [&](clsQRCode::Symbol& candidate, std::int32_t m) {
                    // Every candidate starts from the placed symbol, not from the one before.
                    EXPECT_EQ(candidate.Modules, placed.Modules) << "mask " << m;
                    EXPECT_EQ(m, calls++);
                    candidate.Mask = m;
                    candidate.Modules[0] = static_cast<std::uint8_t>(100 + m);
                },
                [&](const clsQRCode::Symbol& candidate) {
                    return scores[row][static_cast<std::size_t>(candidate.Mask)];
                });
            EXPECT_EQ(calls, count);
            EXPECT_EQ(symbol.Mask, expected) << "row " << row << " count " << count;
            EXPECT_EQ(symbol.Modules[0], 100 + expected) << "row " << row << " count " << count;
            EXPECT_EQ(symbol.Width, 5);
            EXPECT_EQ(symbol.Modules.size(), placed.Modules.size());
        }
    }
}

// ---- Set-up, padding, blank symbol ----

TEST(SymbolBuilderTest, BlankSymbolHasTheExtraLightColumnsAndRows) {
    // One symbol made blank again and again, larger and smaller, after modules and a mask were
    // set: nothing of the symbol before is left.
    clsQRCode::Symbol symbol;
    for (const auto& [width, height] : std::array<std::array<std::int32_t, 2>, 5>{
             {{21, 21}, {11, 11}, {43, 7}, {139, 17}, {21, 21}}}) {
        symbol.Mask = 3;
        std::fill(symbol.Modules.begin(), symbol.Modules.end(), std::uint8_t{1});
        clsSymbolBuilder::Blank(symbol, 9, 4, width, height);
        EXPECT_EQ(symbol.Mask, 0);
        EXPECT_EQ(symbol.Version, 9);
        EXPECT_EQ(symbol.Level, 4);
        EXPECT_EQ(symbol.Columns(), width);
        EXPECT_EQ(symbol.Rows(), height);
        EXPECT_EQ(symbol.Side, width == height ? width : 0);
        EXPECT_EQ(symbol.Stride(), width + 3);
        EXPECT_EQ(symbol.Modules, Bytes(static_cast<std::size_t>((width + 3) * (height + 3)), 0));
        const ostrel::clsModuleMatrix matrix = clsSymbolBuilder::Matrix(symbol);
        EXPECT_EQ(matrix.Width(), width);
        EXPECT_EQ(matrix.Height(), height);
        EXPECT_EQ(matrix.Modules(), symbol.Modules.data());
    }
}

TEST(SymbolBuilderTest, ClampLengthStaysWithinTheBytes) {
    const Bytes bytes(10, 1);
    for (std::int32_t length = -3; length <= 14; ++length) {
        EXPECT_EQ(clsSymbolBuilder::ClampLength(bytes, length),
                  length < 0 ? 0 : (length > 10 ? 10 : length));
    }
}

TEST(SymbolBuilderTest, PadStartsAfterTheLastCodewordTheStreamTouched) {
    constexpr std::int32_t kCodewords = 9;
    for (std::int32_t capacity = 8; capacity <= 8 * kCodewords; capacity += 4) {
        for (std::int32_t stream = 0; stream <= capacity + 12; ++stream) {
            for (const std::int32_t padEnd : {kCodewords, kCodewords - 1}) {
                Bytes data(kCodewords, 0x5C);
                clsSymbolBuilder::Pad(data.data(), stream, capacity, padEnd);
                const std::int32_t used = ((stream < capacity ? stream : capacity) + 7) / 8;
                for (std::int32_t k = 0; k < kCodewords; ++k) {
                    const bool padded = k >= used && k < padEnd;
                    const std::uint8_t expected = !padded               ? 0x5C
                                                  : (k - used) % 2 == 0 ? 0xEC
                                                                        : 0x11;
                    EXPECT_EQ(data[static_cast<std::size_t>(k)], expected)
                        << "stream " << stream << " capacity " << capacity << " codeword " << k;
                }
            }
        }
    }
}

// ---- ECI header ----

// The bits of value, count of them, most significant first.
std::vector<std::uint8_t> BitsOf(std::uint32_t value, std::int32_t count) {
    std::vector<std::uint8_t> bits;
    for (std::int32_t k = count - 1; k >= 0; --k) {
        bits.push_back(static_cast<std::uint8_t>((value >> k) & 1U));
    }
    return bits;
}

TEST(SymbolBuilderTest, EciHeaderTakesTheIndicatorWidthOfTheModeTable) {
    using ostrel::clsSegmentWriter;
    // QR Code: indicator 0111; rMQR: 111.
    const std::array<std::pair<ostrel::clsModeTable, std::int32_t>, 2> tables = {
        {{ostrel::clsModeTable::QRModel2(1, true), 4},
         {ostrel::clsRMQRCode::ModeTable(5, true), 3}}};
    for (const auto& [table, width] : tables) {
        for (const std::int32_t designator :
             {1, 3, 26, 127, 128, 899, 16383, 16384, 170000, 999999}) {
            std::vector<std::uint8_t> expected = BitsOf(0b111, width);
            std::vector<std::uint8_t> value;
            if (designator < 128) {
                value = BitsOf(static_cast<std::uint32_t>(designator), 8); // 0bbbbbbb
            } else if (designator < 16384) {
                value = BitsOf(0b10, 2); // 10bbbbbb bbbbbbbb
                const auto rest = BitsOf(static_cast<std::uint32_t>(designator), 14);
                value.insert(value.end(), rest.begin(), rest.end());
            } else {
                value = BitsOf(0b110, 3); // 110bbbbb bbbbbbbb bbbbbbbb
                const auto rest = BitsOf(static_cast<std::uint32_t>(designator), 21);
                value.insert(value.end(), rest.begin(), rest.end());
            }
            expected.insert(expected.end(), value.begin(), value.end());

            std::vector<std::uint8_t> bits(64, 9);
            ostrel::clsBitWriter out(bits);
            const std::int32_t length = clsSegmentWriter::WriteEciHeader(out, designator, table);
            const auto n = static_cast<std::int32_t>(expected.size());
            EXPECT_EQ(length, n) << "designator " << designator << " width " << width;
            EXPECT_EQ(clsSegmentWriter::EciHeaderBits(designator, width), n);
            EXPECT_EQ(std::vector<std::uint8_t>(bits.begin(), bits.begin() + n), expected)
                << "designator " << designator << " width " << width;
        }
        // No designator: nothing written.
        for (const std::int32_t none : {0, -5, 1000000}) {
            std::vector<std::uint8_t> bits(8, 9);
            ostrel::clsBitWriter out(bits);
            EXPECT_EQ(clsSegmentWriter::WriteEciHeader(out, none, table), 0);
            EXPECT_EQ(clsSegmentWriter::EciHeaderBits(none, width), 0);
            EXPECT_EQ(bits, std::vector<std::uint8_t>(8, 9));
        }
    }
}

} // namespace
