// clsFormatInformation against ISO/IEC 18004 Annexes C and D: the 32 format words, the version
// words of versions 7 to 40, and the modules that carry their bits.
#include "StandardTables.h"
#include "clsFormatInformation.h"
#include "clsMicroQRLayout.h"
#include "clsMicroQRTable.h"
#include "clsModuleMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

using Position = clsFormatInformation::Position;

std::pair<std::int32_t, std::int32_t> Coordinates(Position p) {
    return {p.X, p.Y};
}

// The remainder of data x^(degree of generator) divided by generator, by long division over
// GF(2) from the highest bit down.
std::int32_t PolynomialRemainder(std::int32_t data, std::int32_t generator) {
    std::int32_t degree = 0;
    while ((generator >> (degree + 1)) != 0) {
        ++degree;
    }
    std::int32_t value = data << degree;
    for (std::int32_t bit = 31 - __builtin_clz(static_cast<unsigned>(value | 1)); bit >= degree;
         --bit) {
        if (((value >> bit) & 1) != 0) {
            value ^= generator << (bit - degree);
        }
    }
    return value;
}

constexpr std::int32_t kFormatGenerator = 0b10100110111;              // G(x) of Annex C
constexpr std::int32_t kFormatMask = 0b101010000010010;               // XOR mask of Annex C
constexpr std::int32_t kVersionGenerator = 0b1111100100101;           // G(x) of Annex D
constexpr std::int32_t kLevelIndicator[4] = {0b01, 0b00, 0b11, 0b10}; // L, M, Q, H

TEST(FormatInformationTest, EveryLevelAndMaskGivesTheWordOfTableC1) {
    for (std::int32_t level = 1; level <= 4; ++level) {
        for (std::int32_t mask = 0; mask < 8; ++mask) {
            const std::int32_t data = kLevelIndicator[level - 1] << 3 | mask;
            const std::int32_t expected = test::kFormatInformation[data];
            // The typed table is itself the BCH(15,5) code word, masked.
            ASSERT_EQ(expected,
                      (data << 10 | PolynomialRemainder(data, kFormatGenerator)) ^ kFormatMask)
                << "Table C.1 row " << data;
            EXPECT_EQ(clsFormatInformation::QRFormatWord(level, mask), expected)
                << "level " << level << " mask " << mask;
            EXPECT_EQ(clsFormatInformation::BchRemainder(data, kFormatGenerator, 1 << 10, 10),
                      PolynomialRemainder(data, kFormatGenerator));
        }
    }
}

TEST(FormatInformationTest, VersionWordsAreThoseOfTableD1) {
    EXPECT_EQ(clsFormatInformation::QRVersionWord(7), 0b000111110010010100);
    for (std::int32_t version = 7; version <= 40; ++version) {
        const std::int32_t expected = test::kVersionInformation[version - 7];
        ASSERT_EQ(expected, version << 12 | PolynomialRemainder(version, kVersionGenerator))
            << "Table D.1 row " << version;
        EXPECT_EQ(clsFormatInformation::QRVersionWord(version), expected) << "version " << version;
    }
}

// Bit k of the format word beside the upper-left finder, as the standard's figure shows it: up
// column 8 (skipping the timing module at row 6), round the corner, along row 8 to the left edge.
constexpr std::pair<std::int32_t, std::int32_t> kUpperLeftFormatModules[15] = {
    {8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
    {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8},
};

TEST(FormatInformationTest, FormatBitsLieAroundTheFindersAndAvoidTimingAndDarkModule) {
    for (std::int32_t version : {1, 2, 7, 40}) {
        const std::int32_t side = 17 + 4 * version;
        const auto first = clsFormatInformation::QRFormatPositions(side, 0);
        const auto second = clsFormatInformation::QRFormatPositions(side, 1);
        std::set<std::pair<std::int32_t, std::int32_t>> seen;
        for (std::int32_t k = 0; k < 15; ++k) {
            const Position a = first[static_cast<std::size_t>(k)];
            const Position b = second[static_cast<std::size_t>(k)];
            EXPECT_EQ(Coordinates(a), kUpperLeftFormatModules[k]) << "bit " << k;
            // Bits 0..7 along row 8 from the right edge, 8..14 down column 8 to the bottom edge.
            const auto expected = k < 8 ? std::pair{side - 1 - k, 8} : std::pair{8, side - 15 + k};
            EXPECT_EQ(Coordinates(b), expected) << "bit " << k << " side " << side;
            seen.insert({a.X, a.Y});
            seen.insert({b.X, b.Y});
        }
        EXPECT_EQ(seen.size(), 30U);
        EXPECT_EQ(seen.count({6, 8}) + seen.count({8, 6}), 0U);
        EXPECT_EQ(seen.count({8, side - 8}), 0U); // the dark module
    }
}

TEST(FormatInformationTest, VersionBitsFillTheTwoSixByThreeBlocks) {
    for (std::int32_t version : {7, 21, 40}) {
        const std::int32_t side = 17 + 4 * version;
        const auto lowerLeft = clsFormatInformation::QRVersionPositions(side, 0);
        const auto upperRight = clsFormatInformation::QRVersionPositions(side, 1);
        for (std::int32_t k = 0; k < 18; ++k) {
            // Annex D: bit 0 in the block's corner nearest the symbol's corner, three bits to a
            // column of the lower-left block (a row of the upper-right one), 11 modules from the
            // far edge.
            const Position a = lowerLeft[static_cast<std::size_t>(k)];
            const Position b = upperRight[static_cast<std::size_t>(k)];
            EXPECT_EQ(a.X, k / 3);
            EXPECT_EQ(a.Y, side - 11 + k % 3);
            EXPECT_EQ(b.X, a.Y);
            EXPECT_EQ(b.Y, a.X);
        }
    }
}

TEST(FormatInformationTest, WriteBitsPutsEachBitOnItsModuleAndNothingElse) {
    constexpr std::int32_t stride = 24;
    std::vector<std::uint8_t> modules(static_cast<std::size_t>(stride * stride), 7);
    const auto matrix = clsModuleMatrix::Of(modules, 21, 21, stride);
    const auto positions = clsFormatInformation::QRFormatPositions(21, 0);
    const std::int32_t word = test::kFormatInformation[0b11000]; // Q, mask 0
    clsFormatInformation::WriteBits(matrix, word, positions);
    std::int32_t read = 0;
    for (std::int32_t k = 14; k >= 0; --k) {
        const auto [x, y] = kUpperLeftFormatModules[k];
        read = read << 1 | modules[static_cast<std::size_t>(y * stride + x)];
    }
    EXPECT_EQ(read, 0b011010101011111);
    EXPECT_EQ(std::count(modules.begin(), modules.end(), 7), stride * stride - 15);
}

// The direct writer of both copies against WriteBits at the positions of each, for every
// version's side and every level and mask: the same modules, nothing else touched.
TEST(FormatInformationTest, DirectFormatWriterEqualsWritingAtThePositions) {
    for (std::int32_t side = 21; side <= 177; side += 4) {
        for (std::int32_t data = 0; data < 32; ++data) {
            const std::int32_t word = clsFormatInformation::QRFormatWord(1 + data / 8, data % 8);
            std::vector<std::uint8_t> plain(static_cast<std::size_t>((side + 3) * side), 7);
            std::vector<std::uint8_t> direct = plain;
            for (const std::int32_t copy : {0, 1}) {
                clsFormatInformation::WriteBits(
                    clsModuleMatrix::Of(plain, side, side, side + 3), word,
                    clsFormatInformation::QRFormatPositions(side, copy));
            }
            clsFormatInformation::WriteQRFormat(clsModuleMatrix::Of(direct, side, side, side + 3),
                                                word);
            ASSERT_EQ(direct, plain) << "side " << side << " word " << word;
        }
    }
    // Micro QR: every version, symbol number and mask, in a matrix as large as the version's.
    for (std::int32_t version = 1; version <= clsMicroQRTable::MaxVersion; ++version) {
        const std::int32_t side = clsMicroQRTable::Side(version);
        for (std::int32_t data = 0; data < 32; ++data) {
            const std::uint32_t word = clsMicroQRTable::FormatWord(data / 4, data % 4);
            std::vector<std::uint8_t> plain(static_cast<std::size_t>((side + 3) * side), 7);
            std::vector<std::uint8_t> direct = plain;
            clsFormatInformation::WriteBits(clsModuleMatrix::Of(plain, side, side, side + 3),
                                            static_cast<std::int32_t>(word),
                                            clsMicroQRLayout::FormatPositions());
            clsMicroQRLayout::WriteFormatInformation(
                clsModuleMatrix::Of(direct, side, side, side + 3), version, word);
            ASSERT_EQ(direct, plain) << "M" << version << " word " << word;
        }
    }
}

} // namespace
} // namespace ostrel
