// Function patterns, codeword placement, masks and the format and version information.
#include "SymbolReader.h"
#include "clsQRCode.h"

#include <gtest/gtest.h>

#include <vector>

namespace ostrel {
namespace {

class LayoutTest : public ::testing::Test {
protected:
    std::vector<std::uint8_t> Patterns(std::int32_t version) {
        const std::int32_t stride = qr.GetSymbolSize(version) + 3;
        std::vector<std::uint8_t> m(static_cast<std::size_t>(stride * stride), 0);
        qr.DrawFunctionPatterns(m, version);
        return m;
    }
    static std::uint8_t At(const std::vector<std::uint8_t>& m, std::int32_t version, std::int32_t x,
                           std::int32_t y) {
        return m[static_cast<std::size_t>(y * (20 + 4 * version) + x)];
    }

    clsQRCode qr;
};

TEST_F(LayoutTest, FreeModulesMatchTheDataModuleCountAndTheStandardLayout) {
    for (std::int32_t v = 1; v <= 40; ++v) {
        const auto m = Patterns(v);
        const std::int32_t side = qr.GetSymbolSize(v);
        std::int32_t free = 0;
        for (std::int32_t y = 0; y < side + 3; ++y) {
            for (std::int32_t x = 0; x < side + 3; ++x) {
                const std::uint8_t value = At(m, v, x, y);
                if (x >= side || y >= side) {
                    ASSERT_EQ(value, 0) << "extra module (" << x << "," << y << ") v" << v;
                    continue;
                }
                ASSERT_EQ(value == 0, !test::IsFunctionModule(v, x, y))
                    << "module (" << x << "," << y << ") of version " << v;
                free += value == 0 ? 1 : 0;
            }
        }
        EXPECT_EQ(free, qr.GetDataModuleCount(v)) << "version " << v;
    }
}

TEST_F(LayoutTest, FinderTimingDarkModuleAndAlignmentCentres) {
    const auto v1 = Patterns(1);
    EXPECT_EQ(At(v1, 1, 0, 0), 1);
    EXPECT_EQ(At(v1, 1, 1, 1), 2);
    EXPECT_EQ(At(v1, 1, 3, 3), 1);
    EXPECT_EQ(At(v1, 1, 7, 7), 2);  // separator
    EXPECT_EQ(At(v1, 1, 8, 13), 1); // dark module
    EXPECT_EQ(At(v1, 1, 13, 8), 2); // format area
    EXPECT_EQ(At(v1, 1, 8, 6), 1);  // timing overwrites the format reservation
    EXPECT_EQ(At(v1, 1, 6, 8), 1);
    EXPECT_EQ(At(v1, 1, 9, 6), 2);
    EXPECT_EQ(At(v1, 1, 10, 6), 1);

    const auto v2 = Patterns(2);
    EXPECT_EQ(At(v2, 2, 18, 18), 1);
    EXPECT_EQ(At(v2, 2, 17, 18), 2);
    EXPECT_EQ(At(v2, 2, 16, 18), 1);

    const auto v7 = Patterns(7);
    for (auto [cx, cy] : {std::pair{22, 22}, {38, 22}, {22, 38}, {38, 38}, {22, 6}, {6, 22}}) {
        EXPECT_EQ(At(v7, 7, cx, cy), 1);
        EXPECT_EQ(At(v7, 7, cx + 1, cy), 2);
        EXPECT_EQ(At(v7, 7, cx + 2, cy + 2), 1);
    }
    EXPECT_EQ(At(v7, 7, 0, 34), 2); // version information areas
    EXPECT_EQ(At(v7, 7, 34, 0), 2);
}

TEST_F(LayoutTest, OutOfRangeVersionDrawsNothing) {
    std::vector<std::uint8_t> m(24 * 24, 0);
    qr.DrawFunctionPatterns(m, 0);
    qr.DrawFunctionPatterns(m, 41);
    std::vector<std::uint8_t> small(10, 0);
    qr.DrawFunctionPatterns(small, 1); // too small for version 1
    EXPECT_EQ(m, std::vector<std::uint8_t>(24 * 24, 0));
    EXPECT_EQ(small, std::vector<std::uint8_t>(10, 0));
}

TEST_F(LayoutTest, PlacementOrderStartsAtTheBottomRight) {
    const auto pattern = Patterns(1);
    std::vector<std::uint8_t> data(21 * 21, 0);
    std::vector<std::uint8_t> sequence(208, 0);
    sequence[0] = 1;
    qr.PlaceCodewords(pattern, data, sequence, 1, 21);
    EXPECT_EQ(data[20 * 21 + 20], 1);
    data.assign(21 * 21, 0);
    sequence.assign(208, 0);
    sequence[1] = 1;
    qr.PlaceCodewords(pattern, data, sequence, 2, 21);
    EXPECT_EQ(data[20 * 21 + 19], 1);
    data.assign(21 * 21, 0);
    sequence.assign(208, 0);
    sequence[2] = 1;
    qr.PlaceCodewords(pattern, data, sequence, 3, 21);
    EXPECT_EQ(data[19 * 21 + 20], 1);

    // All 208 bits set: exactly the free modules become 1.
    sequence.assign(208, 1);
    data.assign(21 * 21, 0);
    qr.PlaceCodewords(pattern, data, sequence, 208, 21);
    for (std::int32_t y = 0; y < 21; ++y) {
        for (std::int32_t x = 0; x < 21; ++x) {
            EXPECT_EQ(data[static_cast<std::size_t>(y * 21 + x)],
                      At(pattern, 1, x, y) == 0 ? 1 : 0);
        }
    }
}

TEST_F(LayoutTest, MaskPatterns) {
    std::vector<std::uint8_t> m(21 * 21, 0);
    EXPECT_EQ(qr.ApplyMask(m, 21, 1), 1);
    for (std::int32_t y = 0; y < 21; ++y) {
        for (std::int32_t x = 0; x < 21; ++x) {
            EXPECT_EQ(m[static_cast<std::size_t>(y * 21 + x)], y % 2 == 0 ? 1 : 0);
        }
    }
    m.assign(21 * 21, 0);
    EXPECT_EQ(qr.ApplyMask(m, 21, 2), 2);
    for (std::int32_t y = 0; y < 21; ++y) {
        for (std::int32_t x = 0; x < 21; ++x) {
            EXPECT_EQ(m[static_cast<std::size_t>(y * 21 + x)], x % 3 == 0 ? 1 : 0);
        }
    }
    // Out-of-range masks apply mask 0.
    for (std::int32_t bad : {8, -1}) {
        m.assign(21 * 21, 0);
        EXPECT_EQ(qr.ApplyMask(m, 21, bad), 0);
        EXPECT_EQ(m[0], 1);
        EXPECT_EQ(m[1], 0);
    }
    // Masks 5 to 7, which keep a running product, against the formulas.
    for (std::int32_t mask = 3; mask <= 7; ++mask) {
        m.assign(25 * 25, 0);
        qr.ApplyMask(m, 25, mask);
        for (std::int32_t i = 0; i < 25; ++i) {
            for (std::int32_t j = 0; j < 25; ++j) {
                const bool expected = test::MaskCondition(mask, i, j);
                ASSERT_EQ(m[static_cast<std::size_t>(i * 25 + j)], expected ? 1 : 0)
                    << "mask " << mask << " at " << i << "," << j;
            }
        }
    }
}

TEST_F(LayoutTest, FormatAndVersionWords) {
    EXPECT_EQ(clsQRCode::FormatWord(3, 0), 0b011010101011111);
    EXPECT_EQ(clsQRCode::FormatWord(2, 0), 0b101010000010010);
    EXPECT_EQ(clsQRCode::FormatWord(1, 0), 0b111011111000100);
    EXPECT_EQ(clsQRCode::FormatWord(4, 0), 0b001011010001001);
    EXPECT_EQ(clsQRCode::VersionWord(7), 0b000111110010010100);
    EXPECT_EQ(clsQRCode::VersionWord(40), 0b101000110001101001);
    EXPECT_EQ(clsQRCode::GetBchRemainder(0, 1335, 1024, 10), 0);
    EXPECT_EQ(clsQRCode::GetBchRemainder(37, 1335, 1024, 0), 37);
    EXPECT_EQ(clsQRCode::GetBchRemainder(37, 1335, 1024, -3), 37);
    // Every format word is a codeword of the (15,5) BCH code: at least 7 bits apart from any other.
    for (std::int32_t a = 0; a < 32; ++a) {
        for (std::int32_t b = a + 1; b < 32; ++b) {
            const std::int32_t wa = clsQRCode::FormatWord(a / 8 + 1, a % 8);
            const std::int32_t wb = clsQRCode::FormatWord(b / 8 + 1, b % 8);
            EXPECT_GE(__builtin_popcount(static_cast<unsigned>(wa ^ wb)), 7);
        }
    }
}

TEST_F(LayoutTest, FormatInformationIsWrittenTwice) {
    for (std::int32_t v : {1, 7, 40}) {
        const std::int32_t side = qr.GetSymbolSize(v);
        std::vector<std::uint8_t> m(static_cast<std::size_t>((side + 3) * (side + 3)), 0);
        qr.WriteFormatInformation(m, v, 4, 5);
        const std::int32_t word = clsQRCode::FormatWord(4, 5);
        std::int32_t first = 0;
        std::int32_t second = 0;
        const std::int32_t fx[] = {0, 1, 2, 3, 4, 5, 7, 8, 8, 8, 8, 8, 8, 8, 8};
        const std::int32_t fy[] = {8, 8, 8, 8, 8, 8, 8, 8, 7, 5, 4, 3, 2, 1, 0};
        for (int k = 0; k < 15; ++k) {
            first = (first << 1) | At(m, v, fx[k], fy[k]);
            const std::int32_t sx = k < 7 ? 8 : side - 15 + k;
            const std::int32_t sy = k < 7 ? side - 1 - k : 8;
            second = (second << 1) | At(m, v, sx, sy);
        }
        EXPECT_EQ(first, word);
        EXPECT_EQ(second, word);
        EXPECT_EQ(At(m, v, 6, 8), 0); // timing modules untouched
        EXPECT_EQ(At(m, v, 8, 6), 0);
    }
}

TEST_F(LayoutTest, VersionInformationBlocks) {
    const std::int32_t v = 7;
    const std::int32_t side = 45;
    std::vector<std::uint8_t> m(48 * 48, 0);
    qr.WriteVersionInformation(m, v);
    const std::int32_t word = clsQRCode::VersionWord(v);
    for (std::int32_t k = 0; k < 18; ++k) {
        const std::int32_t a = k / 3;
        const std::int32_t b = k % 3;
        EXPECT_EQ(At(m, v, a, side - 11 + b), (word >> k) & 1);
        EXPECT_EQ(At(m, v, side - 11 + b, a), (word >> k) & 1);
    }
    std::vector<std::uint8_t> v6(44 * 44, 0);
    qr.WriteVersionInformation(v6, 6);
    EXPECT_EQ(v6, std::vector<std::uint8_t>(44 * 44, 0));
}

} // namespace
} // namespace ostrel
