// The split of a message over structured-append symbols, checked against a plain dynamic
// programme over the cut positions (the fewest symbols and the shortest longest part of any
// split), and against the character boundaries it must respect.
#include "clsStructuredAppend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using ostrel::clsQRCode;
using ostrel::clsStructuredAppend;
using Characters = clsStructuredAppend::Characters;
using Bytes = std::vector<std::uint8_t>;

Bytes Of(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Whether data[from, to) fits in one symbol of the version with the 20-bit header, measured
// from the bit stream's length (the terminator may be dropped when the symbol is full).
bool FitsInSymbol(const clsQRCode& encoder, const Bytes& data, std::int32_t from, std::int32_t to,
                  std::int32_t version, std::int32_t level) {
    std::int32_t bits = 0;
    encoder.BuildBitStream({}, std::span(data).subspan(static_cast<std::size_t>(from)), to - from,
                           version, true, bits);
    return 20 + bits - 4 <= 8 * encoder.GetDataCodewords(level, version);
}

// The plain reference: over every split at the cut positions, the fewest parts, and for that
// count the shortest longest part (bytes); {0, 0} when no split exists.
std::pair<std::int32_t, std::int32_t> Reference(const clsQRCode& encoder, const Bytes& data,
                                                const std::vector<std::int32_t>& cuts,
                                                std::int32_t version, std::int32_t level) {
    const std::size_t n = cuts.size();
    constexpr std::int32_t None = 1 << 20;
    // parts[j][k]: the shortest longest part of a split of the first j cuts into k parts.
    std::vector<std::vector<std::int32_t>> longest(n, std::vector<std::int32_t>(17, None));
    longest[0][0] = 0;
    for (std::size_t j = 1; j < n; ++j) {
        for (std::size_t i = 0; i < j; ++i) {
            if (!FitsInSymbol(encoder, data, cuts[i], cuts[j], version, level)) {
                continue;
            }
            for (std::size_t k = 1; k <= 16; ++k) {
                if (longest[i][k - 1] < None) {
                    longest[j][k] =
                        std::min(longest[j][k], std::max(longest[i][k - 1], cuts[j] - cuts[i]));
                }
            }
        }
    }
    for (std::int32_t k = 1; k <= 16; ++k) {
        if (longest[n - 1][static_cast<std::size_t>(k)] < None) {
            return {k, longest[n - 1][static_cast<std::size_t>(k)]};
        }
    }
    return {0, 0};
}

// The parts join to the data, each fits its symbol and starts at a cut position.
void ExpectSound(const clsQRCode& encoder, const Bytes& data, const clsStructuredAppend::Plan& plan,
                 std::int32_t level, Characters characters) {
    ASSERT_TRUE(plan.Error.empty()) << plan.Error;
    const auto cuts = clsStructuredAppend::CutPositions(data, characters);
    std::int32_t at = 0;
    for (const auto& part : plan.Parts) {
        EXPECT_EQ(part.Offset, at);
        EXPECT_TRUE(std::binary_search(cuts.begin(), cuts.end(), part.Offset));
        EXPECT_TRUE(FitsInSymbol(encoder, data, part.Offset, part.Offset + part.Length,
                                 plan.Version, level));
        at += part.Length;
    }
    EXPECT_EQ(at, static_cast<std::int32_t>(data.size()));
    EXPECT_EQ(plan.Parity, clsStructuredAppend::Parity(data));
}

TEST(StructuredAppendSplit, FewestSymbolsAndShortestLongestPartAsTheReference) {
    clsQRCode encoder;
    encoder.SetKanjiMode(false);
    std::mt19937 random(20);
    const std::string alphabet = "0123456789ABCDEF:/ abcxyz\xC3\xA9\xE4\xB8\xAD";
    for (int round = 0; round < 40; ++round) {
        Bytes data;
        const int length = 20 + static_cast<int>(random() % 70);
        while (std::ssize(data) < length) {
            const int pick = static_cast<int>(random() % 27);
            // Runs of one kind, so that the segmentation switches modes.
            const int run = 1 + static_cast<int>(random() % 9);
            for (int k = 0; k < run; ++k) {
                if (pick < 25) {
                    data.push_back(
                        static_cast<std::uint8_t>(alphabet[static_cast<std::size_t>(pick)]));
                } else if (pick == 25) {
                    data.insert(data.end(), {0xC3, 0xA9});
                } else {
                    data.insert(data.end(), {0xE4, 0xB8, 0xAD});
                }
            }
        }
        const std::int32_t version = 1 + round % 3;
        const std::int32_t level = 1 + round % 4;
        const auto cuts = clsStructuredAppend::CutPositions(data, Characters::Utf8);
        const auto [count, longest] = Reference(encoder, data, cuts, version, level);
        const auto plan =
            clsStructuredAppend::Split(encoder, data, level, version, 0, Characters::Utf8);
        SCOPED_TRACE("round " + std::to_string(round));
        if (count == 0) {
            EXPECT_TRUE(plan.Parts.empty());
            EXPECT_NE(plan.Error.find("does not fit in 16 symbols of version"), std::string::npos)
                << plan.Error;
            continue;
        }
        ExpectSound(encoder, data, plan, level, Characters::Utf8);
        EXPECT_EQ(std::ssize(plan.Parts), count);
        std::int32_t planLongest = 0;
        for (const auto& part : plan.Parts) {
            planLongest = std::max(planLongest, part.Length);
        }
        EXPECT_EQ(planLongest, longest);
    }
}

TEST(StructuredAppendSplit, AutomaticVersionIsTheSmallestThatSixteenSymbolsHold) {
    clsQRCode encoder;
    Bytes data;
    for (int k = 0; k < 900; ++k) {
        data.push_back(static_cast<std::uint8_t>('a' + k % 26));
    }
    const auto plan = clsStructuredAppend::Split(encoder, data, 3, 0, 0, Characters::Bytes);
    ExpectSound(encoder, data, plan, 3, Characters::Bytes);
    ASSERT_GT(plan.Version, 1);
    EXPECT_LE(plan.Parts.size(), 16U);
    const auto smaller =
        clsStructuredAppend::Split(encoder, data, 3, plan.Version - 1, 0, Characters::Bytes);
    EXPECT_TRUE(smaller.Parts.empty());
    EXPECT_FALSE(smaller.Error.empty());

    // A symbol count asked for: exactly that many, at the smallest version that allows it.
    const auto four = clsStructuredAppend::Split(encoder, data, 3, 0, 4, Characters::Bytes);
    ExpectSound(encoder, data, four, 3, Characters::Bytes);
    EXPECT_EQ(four.Parts.size(), 4U);
    const auto five =
        clsStructuredAppend::Split(encoder, data, 3, four.Version, 5, Characters::Bytes);
    ExpectSound(encoder, data, five, 3, Characters::Bytes);
    EXPECT_EQ(five.Parts.size(), 5U);
    EXPECT_TRUE(clsStructuredAppend::Split(encoder, data, 3, four.Version - 1, 4, Characters::Bytes)
                    .Parts.empty());
}

TEST(StructuredAppendSplit, NeverCutsInsideACharacter) {
    clsQRCode encoder;
    encoder.SetKanjiMode(false);
    const struct {
        Characters Set;
        Bytes Character; // repeated to make the data
    } cases[] = {
        {Characters::Utf8, {0xF0, 0x9F, 0x98, 0x80}},
        {Characters::Utf8, {0xE4, 0xB8, 0xAD}},
        {Characters::ShiftJis, {0x88, 0x9F}},
        {Characters::ShiftJis, {0xE0, 0x40}},
        {Characters::DoubleByte, {0xB0, 0xA1}},
        {Characters::DoubleByte, {0xA1, 0xA1}},
        // GBK and Big5 first bytes below the GB 2312 rows, second bytes from 0x40.
        {Characters::DoubleByte, {0x81, 0x40}},
        {Characters::DoubleByte, {0xA0, 0xFE}},
    };
    for (const auto& c : cases) {
        Bytes data{'x'}; // an odd start, so that a cut by bytes alone would split pairs
        for (int k = 0; k < 101; ++k) {
            data.insert(data.end(), c.Character.begin(), c.Character.end());
        }
        int split = 0;
        for (std::int32_t version = 1; version <= 6; ++version) {
            const auto plan = clsStructuredAppend::Split(encoder, data, 1, version, 0, c.Set);
            if (plan.Parts.empty()) {
                continue;
            }
            split += plan.Parts.size() > 1 ? 1 : 0;
            ExpectSound(encoder, data, plan, 1, c.Set);
            for (const auto& part : plan.Parts) {
                const auto into =
                    part.Offset == 0 ? 0 : (part.Offset - 1) % std::ssize(c.Character);
                EXPECT_EQ(into, 0) << "a cut at byte " << part.Offset;
            }
        }
        EXPECT_GE(split, 2);
    }
}

TEST(StructuredAppendSplit, RefusalsSayWhy) {
    clsQRCode encoder;
    const Bytes data(30000, 'a');
    auto plan = clsStructuredAppend::Split(encoder, data, 4, 0, 0, Characters::Bytes);
    EXPECT_TRUE(plan.Parts.empty());
    EXPECT_EQ(plan.Error, "the data does not fit in 16 symbols of any version at level H (30000 "
                          "bytes; structured append joins 16 symbols at most)");
    plan = clsStructuredAppend::Split(encoder, Of("abc"), 1, 1, 4, Characters::Bytes);
    EXPECT_EQ(plan.Error, "the data has 3 characters, too few for 4 symbols");
    plan = clsStructuredAppend::Split(encoder, Of("a"), 1, 1, 2, Characters::Bytes);
    EXPECT_EQ(plan.Error, "the data has 1 character, too few for 2 symbols");
    // As many symbols as characters: one character each.
    for (const auto& [text, characters] :
         {std::pair{std::string("abc"), Characters::Bytes},
          std::pair{std::string("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97"), Characters::Utf8}}) {
        plan = clsStructuredAppend::Split(encoder, Of(text), 1, 1, 3, characters);
        ASSERT_EQ(plan.Parts.size(), 3U) << plan.Error;
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(plan.Parts[k].Length, std::ssize(text) / 3);
        }
    }
    plan = clsStructuredAppend::Split(encoder, Of("abc"), 1, 1, 17, Characters::Bytes);
    EXPECT_FALSE(plan.Error.empty());
    // Empty data: one symbol with the header alone.
    plan = clsStructuredAppend::Split(encoder, {}, 1, 1, 0, Characters::Bytes);
    ASSERT_EQ(plan.Parts.size(), 1U);
    EXPECT_EQ(plan.Parts[0].Length, 0);
    EXPECT_EQ(clsStructuredAppend::Parity(Of("AB")), 'A' ^ 'B');
}

} // namespace

namespace {

// The header of clause 8 leads the stream: 0011, the position, the count less one, the parity,
// then exactly the stream without a header (ECI header included); empty input gets it too.
TEST(StructuredAppendHeader, LeadsTheStreamAndChangesNothingAfterIt) {
    const std::vector<std::string> texts = {"", "HELLO 123", "abc\xE4\xB8\xAD", "0123456789"};
    for (const std::int32_t eci : {0, 26}) {
        for (const std::string& text : texts) {
            const Bytes data = Of(text);
            clsQRCode plain;
            plain.SetEciDesignator(eci);
            std::vector<std::uint8_t> expected(4096);
            std::int32_t plainBits = 0;
            plain.BuildBitStream(expected, data, std::ssize(data), 5, false, plainBits);

            clsQRCode encoder;
            encoder.SetEciDesignator(eci);
            encoder.SetStructuredAppend(clsQRCode::StructuredAppendHeader{6, 11, 0xA5});
            std::vector<std::uint8_t> bits(4096);
            std::int32_t bitCount = 0;
            encoder.BuildBitStream(bits, data, std::ssize(data), 5, false, bitCount);
            std::int32_t measured = 0;
            encoder.BuildBitStream({}, data, std::ssize(data), 5, true, measured);
            ASSERT_EQ(bitCount, plainBits + 20) << text;
            EXPECT_EQ(measured, bitCount);
            const std::string header = "0011"
                                       "0110"
                                       "1010"
                                       "10100101";
            std::string got;
            for (std::int32_t k = 0; k < bitCount; ++k) {
                got += static_cast<char>('0' + bits[static_cast<std::size_t>(k)]);
            }
            std::string want = header;
            for (std::int32_t k = 0; k < plainBits; ++k) {
                want += static_cast<char>('0' + expected[static_cast<std::size_t>(k)]);
            }
            EXPECT_EQ(got, want) << text;
        }
    }
    // Fields out of range set no header.
    clsQRCode encoder;
    for (const auto bad :
         {clsQRCode::StructuredAppendHeader{16, 16, 0}, clsQRCode::StructuredAppendHeader{2, 2, 0},
          clsQRCode::StructuredAppendHeader{0, 17, 0},
          clsQRCode::StructuredAppendHeader{-1, 3, 0}}) {
        encoder.SetStructuredAppend(bad);
        EXPECT_FALSE(encoder.StructuredAppend());
    }
}

} // namespace
