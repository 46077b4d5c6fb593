// The placement and the data masks on matrices of any shape, as a symbol type that is not square
// (rMQR) or not QR (Micro QR) will use them: both forms of the placement against the two-column
// zig-zag written out plainly from ISO/IEC 18004 clause 7.7.3, and the pipeline's mask pass
// against the conditions of Table 10.
#include "SymbolReader.h"
#include "clsDataMask.h"
#include "clsModuleMatrix.h"
#include "clsPlacement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace ostrel {
namespace {

using Module = clsModuleMatrix::ModuleValue;

struct Shape {
    std::int32_t Width;
    std::int32_t Height;
    std::int32_t Skip; // column stepped over, -1 for none
};

// Shapes of rMQR (R7x43, R17x139), Micro QR (M4: 17 x 17, timing in column 0) and QR (21 x 21).
const Shape kShapes[] = {{43, 7, -1}, {139, 17, -1}, {17, 17, -1}, {21, 21, 6}, {27, 11, 6}};

// The free modules of pattern in placement order: column pairs from the right edge, the first
// upward, then alternating; the right-hand module of each row first; column Skip stepped over.
std::vector<std::int32_t> PlainOrder(const std::vector<std::uint8_t>& pattern, const Shape& s,
                                     std::int32_t stride) {
    std::vector<std::int32_t> order;
    std::vector<std::int32_t> columns;
    for (std::int32_t x = s.Width - 1; x >= 0; --x) {
        if (x != s.Skip) {
            columns.push_back(x);
        }
    }
    for (std::size_t p = 0; p + 1 < columns.size() + 1; p += 2) {
        const bool upward = (p / 2) % 2 == 0;
        for (std::int32_t r = 0; r < s.Height; ++r) {
            const std::int32_t y = upward ? s.Height - 1 - r : r;
            for (std::size_t q = p; q < std::min(p + 2, columns.size()); ++q) {
                const std::int32_t offset = y * stride + columns[q];
                if (pattern[static_cast<std::size_t>(offset)] == Module::Free) {
                    order.push_back(offset);
                }
            }
        }
    }
    return order;
}

TEST(PlacementTest, BothFormsFollowTheZigZagOnEveryShape) {
    std::mt19937 rng(7733);
    std::size_t runs = 0;
    std::size_t pairs = 0;
    std::size_t loose = 0;
    for (const Shape& s : kShapes) {
        const std::int32_t stride = s.Width + 3;
        std::vector<std::uint8_t> pattern(static_cast<std::size_t>(stride * (s.Height + 1)), 0);
        const clsModuleMatrix view(pattern.data(), s.Width, s.Height, stride);
        for (std::int32_t y = 0; y < s.Height; ++y) {
            for (std::int32_t x = 0; x < s.Width; ++x) {
                const auto roll = rng() % 8;
                view.Set(x, y,
                         roll == 0 ? Module::Dark : (roll == 1 ? Module::Light : Module::Free));
            }
        }
        const std::vector<std::int32_t> order = PlainOrder(pattern, s, stride);
        // Some shapes end in a partial codeword (as Micro QR M1 and M3 do).
        const auto bits =
            static_cast<std::int32_t>(s.Skip < 0 ? order.size() : order.size() / 8 * 8);
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(bits / 8 + 8));
        std::vector<std::uint8_t> maskBits(packed.size());
        std::vector<std::uint8_t> sequence(static_cast<std::size_t>(bits));
        std::vector<std::uint8_t> inversion(static_cast<std::size_t>(bits));
        for (std::int32_t k = 0; k < bits; ++k) {
            const auto at = static_cast<std::size_t>(k);
            sequence[at] = static_cast<std::uint8_t>(rng() & 1);
            inversion[at] = static_cast<std::uint8_t>(rng() & 1);
            packed[at / 8] |= static_cast<std::uint8_t>(sequence[at] << (7 - k % 8));
            maskBits[at / 8] |= static_cast<std::uint8_t>(inversion[at] << (7 - k % 8));
        }

        std::vector<std::uint8_t> data(static_cast<std::size_t>(stride * s.Height), 9);
        clsPlacement::PlaceBits(pattern, stride,
                                clsModuleMatrix(data.data(), s.Width, s.Height, stride), sequence,
                                bits, s.Skip);
        std::vector<std::uint8_t> placed = pattern;
        clsPlacement placement;
        placement.Prepare(view, bits, s.Skip);
        placement.Place(placed.data(), packed.data());
        std::vector<std::uint8_t> masked = pattern;
        placement.PlaceMasked(masked.data(), packed.data(), maskBits.data());

        std::vector<std::uint8_t> expectedData(data.size(), 9);
        std::vector<std::uint8_t> expectedPlaced = pattern;
        std::vector<std::uint8_t> expectedMasked = pattern;
        for (std::int32_t k = 0; k < bits; ++k) {
            const auto at = static_cast<std::size_t>(order[static_cast<std::size_t>(k)]);
            const std::uint8_t bit = sequence[static_cast<std::size_t>(k)];
            expectedData[at] = bit;
            expectedPlaced[at] = static_cast<std::uint8_t>(Module::Data | bit);
            expectedMasked[at] =
                static_cast<std::uint8_t>(bit ^ inversion[static_cast<std::size_t>(k)]);
        }
        EXPECT_EQ(data, expectedData) << s.Width << "x" << s.Height;
        EXPECT_EQ(placed, expectedPlaced) << s.Width << "x" << s.Height;
        EXPECT_EQ(masked, expectedMasked) << s.Width << "x" << s.Height;
        runs += placement.RunCount();
        pairs += placement.PairCodewordCount();
        loose += placement.LooseCount();
    }
    // The random patterns left codewords of every kind.
    EXPECT_GT(runs, 0U);
    EXPECT_GT(pairs, 0U);
    EXPECT_GT(loose, 0U);
}

TEST(PlacementTest, MaskPassKeepsFunctionModulesAndMasksTheRestOnEveryShape) {
    std::mt19937 rng(1208);
    const std::uint8_t values[] = {Module::Free, Module::Dark, Module::Light, Module::Data,
                                   Module::Data | 1};
    for (const Shape& s : kShapes) {
        for (std::int32_t mask = 0; mask < clsDataMask::MaskCount; ++mask) {
            const std::int32_t stride = s.Width + 3;
            std::vector<std::uint8_t> modules(static_cast<std::size_t>(stride * s.Height), 0);
            for (std::int32_t y = 0; y < s.Height; ++y) {
                for (std::int32_t x = 0; x < s.Width; ++x) {
                    modules[static_cast<std::size_t>(y * stride + x)] = values[rng() % 5];
                }
            }
            std::vector<std::uint8_t> expected = modules;
            for (std::int32_t y = 0; y < s.Height; ++y) {
                for (std::int32_t x = 0; x < s.Width; ++x) {
                    std::uint8_t& v = expected[static_cast<std::size_t>(y * stride + x)];
                    const bool function = v == Module::Dark || v == Module::Light;
                    v = function ? (v == Module::Dark ? 1 : 0)
                                 : static_cast<std::uint8_t>(
                                       (v & 1) ^ (ostrel::test::MaskCondition(mask, y, x) ? 1 : 0));
                }
            }
            clsDataMask::MaskAndCombine(clsModuleMatrix(modules.data(), s.Width, s.Height, stride),
                                        mask);
            ASSERT_EQ(modules, expected) << s.Width << "x" << s.Height << " mask " << mask;
        }
    }
}

} // namespace
} // namespace ostrel
