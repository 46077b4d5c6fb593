// The contracts of the Micro QR and rMQR encoders at their edges: what each symbology refuses,
// the automatic choices' rules, and the mask evaluation's pick among the four masks.
#include "clsMicroQRCode.h"
#include "clsMicroQRTable.h"
#include "clsRMQRCode.h"
#include "clsRMQRTable.h"
#include "clsSegmentSearch.h"
#include "clsSegmentWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// Byte-only data under one table: none where byte mode is not allowed, one byte segment (its
// header and eight bits a byte) wherever its count holds it, written alike by both writers.
void ExpectOneByteSegment(const std::vector<std::uint8_t>& data, const clsModeTable& table) {
    const auto n = static_cast<std::int32_t>(data.size());
    std::vector<std::uint8_t> preds(data.size());
    const clsSegmentSearch::End end = clsSegmentSearch::Search(data.data(), n, table, preds.data());
    if (!table.Allowed(clsModeTable::Byte)) {
        EXPECT_GE(end.Cost, clsSegmentSearch::Unreachable);
        return;
    }
    if (n > table.MaxCount(clsModeTable::Byte)) {
        return; // two segments: the encoder searches
    }
    EXPECT_EQ(end.Cost, table.HeaderBits(clsModeTable::Byte) + clsModeTable::ByteBits * n);
    std::vector<std::uint8_t> modes(data.size());
    clsSegmentSearch::TraceModes(preds.data(), n, end.Mode, modes.data());
    EXPECT_EQ(modes, std::vector<std::uint8_t>(data.size(), clsModeTable::Byte));
    std::array<std::uint8_t, 48> plain{};
    std::array<std::uint8_t, 48> direct{};
    clsCodewordWriter plainOut(plain);
    clsCodewordWriter directOut(direct);
    EXPECT_EQ(clsSegmentWriter::WriteSegments(plainOut, data.data(), n, table, modes.data()),
              clsSegmentWriter::WriteByteSegment(directOut, data.data(), n, table));
    EXPECT_EQ(plain, direct);
}

std::optional<clsQRCode::Symbol> Micro(const std::string& text, std::int32_t version,
                                       std::int32_t level, std::int32_t mask = 0) {
    clsMicroQRCode encoder;
    const auto data = Bytes(text);
    return encoder.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), version, level, mask);
}

TEST(MicroQRCode, RefusesWhatAVersionDoesNotOffer) {
    for (std::int32_t version = 0; version <= 4; ++version) {
        EXPECT_FALSE(Micro("1", version, 4)) << "level H, M" << version;
    }
    EXPECT_FALSE(Micro("1", 1, 2));                  // M1 has error detection only
    EXPECT_FALSE(Micro("1", 2, 3));                  // M2 has no Q
    EXPECT_FALSE(Micro("A", 1, 1));                  // M1 is numeric only
    EXPECT_FALSE(Micro("a", 2, 1));                  // M2 has no byte mode
    EXPECT_TRUE(Micro("a", 3, 1));                   // M3 has
    EXPECT_FALSE(Micro("1", 5, 1));                  // no M5
    EXPECT_FALSE(Micro("1", 1, 1, 4));               // four masks only
    EXPECT_FALSE(Micro(std::string(36, '7'), 0, 1)); // M4-L holds 35 digits
    EXPECT_TRUE(Micro(std::string(35, '7'), 0, 1));
}

// The tables kept per process are those made from the version tables (and outside 1..4 the
// table of no mode).
TEST(MicroQRCode, KeptModeTablesAreTheTablesMadeForTheVersion) {
    for (std::int32_t version = -1; version <= 6; ++version) {
        for (const bool kanji : {false, true}) {
            SCOPED_TRACE(testing::Message() << "M" << version << (kanji ? " kanji" : ""));
            const clsModeTable& kept = clsMicroQRCode::ModeTable(version, kanji);
            const clsModeTable made = clsMicroQRCode::MakeModeTable(version, kanji);
            EXPECT_EQ(kept.IndicatorBits(), made.IndicatorBits());
            EXPECT_EQ(kept.TerminatorBits(), made.TerminatorBits());
            for (std::int32_t mode = 0; mode < clsModeTable::ModeCount; ++mode) {
                EXPECT_EQ(kept.Allowed(mode), made.Allowed(mode)) << mode;
                EXPECT_EQ(kept.Indicator(mode), made.Indicator(mode)) << mode;
                EXPECT_EQ(kept.MaxCount(mode), made.MaxCount(mode)) << mode;
            }
        }
    }
}

// Data that only byte mode carries is written as one byte segment without a search: the search
// finds that segment at every version and length whose count holds it, and the byte-segment
// writer writes the bits of the plain writer. One byte of another kind anywhere (a digit, an
// upper-case letter, a space, with Kanji mode a Kanji lead byte) makes it data for the search.
TEST(MicroQRCode, OnlyByteDataIsTheOneByteSegmentTheSearchFinds) {
    std::mt19937 random(30);
    for (const bool kanji : {false, true}) {
        std::vector<std::uint8_t> pool; // the bytes that keep data byte-only
        for (std::int32_t b = 0; b < 256; ++b) {
            if (clsModeTable::CharClass(static_cast<std::uint8_t>(b)) == 0 &&
                (!kanji || b < 0x80)) {
                pool.push_back(static_cast<std::uint8_t>(b));
            }
        }
        for (std::int32_t n = 1; n <= clsMicroQRCode::MaxInputLength; ++n) {
            SCOPED_TRACE(std::to_string(n) + (kanji ? " bytes, kanji" : " bytes"));
            std::vector<std::uint8_t> data(static_cast<std::size_t>(n));
            for (auto& byte : data) {
                byte = pool[random() % pool.size()];
            }
            ASSERT_TRUE(clsMicroQRCode::OnlyByteMode(data.data(), n, kanji));
            for (std::int32_t version = 1; version <= clsMicroQRTable::MaxVersion; ++version) {
                ExpectOneByteSegment(data, clsMicroQRCode::ModeTable(version, kanji));
            }
            for (const std::uint8_t other :
                 std::array<std::uint8_t, 6>{'0', 'A', ' ', ':', 0x81, 0xE0}) {
                const bool byteOnly = !kanji && other >= 0x80;
                auto changed = data;
                changed[random() % changed.size()] = other;
                EXPECT_EQ(clsMicroQRCode::OnlyByteMode(changed.data(), n, kanji), byteOnly)
                    << "with " << static_cast<int>(other);
            }
        }
    }
}

TEST(MicroQRCode, AutomaticVersionIsTheLowestThatOffersTheLevel) {
    EXPECT_EQ(Micro("12345", 0, 1)->Version, 1);
    EXPECT_EQ(Micro("123456", 0, 1)->Version, 2);
    EXPECT_EQ(Micro("12345", 0, 2)->Version, 2); // M1 offers no level M
    EXPECT_EQ(Micro("12345", 0, 3)->Version, 4); // only M4 offers Q
    EXPECT_EQ(Micro("", 0, 1)->Version, 1);
    EXPECT_EQ(Micro("abc", 0, 1)->Version, 3); // bytes need M3
}

TEST(MicroQRCode, AutomaticMaskHasTheHighestEdgeScoreAndTheLowestNumberOnATie) {
    for (const std::string text : {"1", "HELLO", "micro qr", "31415926535897932384626433832"}) {
        const auto chosen = Micro(text, 0, 1, clsMicroQRCode::AutomaticMask);
        ASSERT_TRUE(chosen);
        std::int32_t best = -1;
        std::int32_t bestMask = -1;
        for (std::int32_t mask = 0; mask < clsMicroQRTable::MaskCount; ++mask) {
            const auto forced = Micro(text, chosen->Version, 1, mask);
            const std::int32_t score = clsMicroQRCode::EdgeScore(*forced);
            if (score > best) {
                best = score;
                bestMask = mask;
            }
        }
        EXPECT_EQ(chosen->Mask, bestMask) << text;
        EXPECT_EQ(chosen->Modules, Micro(text, chosen->Version, 1, bestMask)->Modules) << text;
    }
}

TEST(MicroQRCode, EdgeScoreIsSixteenTimesTheSmallerEdgePlusTheLarger) {
    // A symbol whose right edge has 3 dark modules below row 0 and whose bottom edge has 5 right
    // of column 0 scores 16 * 3 + 5; the smaller sum always takes the weight 16.
    clsQRCode::Symbol symbol;
    symbol.Side = symbol.Width = symbol.Height = 11;
    symbol.Modules.assign(14 * 14, 0);
    const auto set = [&](std::int32_t x, std::int32_t y) { symbol.Modules[y * 14 + x] = 1; };
    set(10, 0); // row 0 is the timing pattern's: not counted
    set(0, 10); // column 0 likewise
    for (const std::int32_t y : {1, 4, 7}) {
        set(10, y);
    }
    for (const std::int32_t x : {2, 3, 5, 6, 8}) {
        set(x, 10);
    }
    EXPECT_EQ(clsMicroQRCode::EdgeScore(symbol), 16 * 3 + 5);
    for (const std::int32_t x : {1, 4, 9}) {
        set(x, 10); // now 8 along the bottom, still 3 on the right
    }
    EXPECT_EQ(clsMicroQRCode::EdgeScore(symbol), 16 * 3 + 8);
    for (const std::int32_t y : {2, 3, 5, 6, 8, 9}) {
        set(10, y); // 9 on the right against 8 along the bottom
    }
    EXPECT_EQ(clsMicroQRCode::EdgeScore(symbol), 16 * 8 + 9);
    symbol.Modules.resize(14 * 10); // rows missing: nothing is read
    EXPECT_EQ(clsMicroQRCode::EdgeScore(symbol), 0);
}

std::optional<clsQRCode::Symbol> RMQR(const std::string& text, std::int32_t index,
                                      std::int32_t level, std::int32_t height = 0) {
    clsRMQRCode encoder;
    encoder.SetRequiredHeight(height);
    const auto data = Bytes(text);
    return encoder.EncodeMatrix(data, static_cast<std::int32_t>(data.size()), index, level);
}

TEST(RMQRCode, RefusesLevelsLAndQAndDataBeyondTheSize) {
    EXPECT_FALSE(RMQR("1", 0, 1));
    EXPECT_FALSE(RMQR("1", 0, 3));
    EXPECT_TRUE(RMQR("1", 0, 2));
    EXPECT_TRUE(RMQR("1", 0, 4));
    EXPECT_FALSE(RMQR("1", 32, 2));
    EXPECT_FALSE(RMQR(std::string(362, '9'), clsRMQRCode::AutomaticSize, 2)); // R17x139-M: 361
    EXPECT_TRUE(RMQR(std::string(361, '9'), clsRMQRCode::AutomaticSize, 2));
    EXPECT_FALSE(RMQR(std::string(103, '9'), clsRMQRCode::AutomaticSize, 2, 7)); // R7x139: 102
    EXPECT_FALSE(RMQR("1", clsRMQRCode::AutomaticSize, 2, 8));                   // no such height
}

TEST(RMQRCode, AutomaticSizeIsTheSmallestAreaThenTheLowerHeight) {
    const auto& order = clsRMQRCode::SizesBySmallest();
    for (std::size_t k = 1; k < order.size(); ++k) {
        const auto area = [](std::int32_t i) {
            return clsRMQRTable::Width(i) * clsRMQRTable::Height(i);
        };
        EXPECT_TRUE(area(order[k - 1]) < area(order[k]) ||
                    (area(order[k - 1]) == area(order[k]) &&
                     clsRMQRTable::Height(order[k - 1]) < clsRMQRTable::Height(order[k])));
    }
    // R11x27 (297 modules) comes before R7x43 (301).
    EXPECT_EQ(RMQR("1", clsRMQRCode::AutomaticSize, 2)->Columns(), 27);
    const auto held = RMQR("1", clsRMQRCode::AutomaticSize, 2, 7);
    EXPECT_EQ(held->Rows(), 7);
    EXPECT_EQ(held->Columns(), 43);
}

} // namespace
} // namespace ostrel
