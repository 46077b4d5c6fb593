// clsFunctionPatterns against the patterns of ISO/IEC 18004 clause 6.3, and the alignment
// patterns of every version where Annex E puts them.
#include "StandardTables.h"
#include "clsFunctionPatterns.h"
#include "clsQRLayout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace ostrel {
namespace {

// Pictures of the patterns, row by row: '#' dark, '.' light.
constexpr std::array<const char*, 8> kFinderWithSeparator = {
    "#######.", "#.....#.", "#.###.#.", "#.###.#.", "#.###.#.", "#.....#.", "#######.", "........",
};
constexpr std::array<const char*, 5> kAlignment = {"#####", "#...#", "#.#.#", "#...#", "#####"};

// A module matrix of side x side with a stride of side + 3, every module Free.
class FunctionPatternsTest : public ::testing::Test {
protected:
    void Start(std::int32_t size) {
        side = size;
        modules.assign(static_cast<std::size_t>((side + 3) * side), clsModuleMatrix::Free);
    }
    clsModuleMatrix Matrix() { return clsModuleMatrix::Of(modules, side, side, side + 3); }
    char At(std::int32_t x, std::int32_t y) const {
        switch (modules[static_cast<std::size_t>(y * (side + 3) + x)]) {
        case clsModuleMatrix::Dark:
            return '#';
        case clsModuleMatrix::Light:
            return '.';
        default:
            return ' ';
        }
    }
    std::int32_t Drawn() const {
        std::int32_t count = 0;
        for (const std::uint8_t module : modules) {
            count += module != clsModuleMatrix::Free ? 1 : 0;
        }
        return count;
    }

    std::int32_t side = 0;
    std::vector<std::uint8_t> modules;
};

TEST_F(FunctionPatternsTest, FinderWithItsSeparatorInEachCorner) {
    Start(21);
    struct Corner {
        std::int32_t X, Y, Dx, Dy;
    };
    for (const Corner c : {Corner{0, 0, 1, 1}, Corner{20, 0, -1, 1}, Corner{0, 20, 1, -1}}) {
        clsFunctionPatterns::DrawFinder(Matrix(), c.X, c.Y, c.Dx, c.Dy);
        for (std::int32_t i = 0; i < 8; ++i) {
            for (std::int32_t j = 0; j < 8; ++j) {
                EXPECT_EQ(At(c.X + c.Dx * j, c.Y + c.Dy * i), kFinderWithSeparator[i][j])
                    << "corner (" << c.X << "," << c.Y << ") row " << i << " column " << j;
            }
        }
    }
    EXPECT_EQ(Drawn(), 3 * 64);
}

TEST_F(FunctionPatternsTest, TimingAlternatesDarkAtEvenCoordinates) {
    Start(25);
    clsFunctionPatterns::DrawTimingRow(Matrix(), 6, 8, 16);
    clsFunctionPatterns::DrawTimingColumn(Matrix(), 6, 9, 17);
    for (std::int32_t k = 8; k <= 16; ++k) {
        EXPECT_EQ(At(k, 6), k % 2 == 0 ? '#' : '.') << "row, column " << k;
        EXPECT_EQ(At(6, k + 1), (k + 1) % 2 == 0 ? '#' : '.') << "column, row " << k + 1;
    }
    EXPECT_EQ(Drawn(), 18);
}

TEST_F(FunctionPatternsTest, AlignmentAndReservedArea) {
    Start(25);
    clsFunctionPatterns::DrawAlignment(Matrix(), 18, 18);
    for (std::int32_t dy = -2; dy <= 2; ++dy) {
        for (std::int32_t dx = -2; dx <= 2; ++dx) {
            EXPECT_EQ(At(18 + dx, 18 + dy), kAlignment[dy + 2][dx + 2]);
        }
    }
    clsFunctionPatterns::Reserve(Matrix(), 0, 14, 6, 3);
    for (std::int32_t y = 14; y < 17; ++y) {
        EXPECT_EQ(std::string(6, '.'),
                  std::string({At(0, y), At(1, y), At(2, y), At(3, y), At(4, y), At(5, y)}));
    }
    EXPECT_EQ(Drawn(), 25 + 18);
}

// Annex E: an alignment pattern centred at every pair of the version's coordinates except the
// three that fall on the finders.
TEST_F(FunctionPatternsTest, AlignmentPatternsSitAtTheCentresOfAnnexE) {
    for (std::int32_t version = 1; version <= 40; ++version) {
        std::vector<std::int32_t> centres;
        for (const std::int32_t c : test::kAlignmentCentres[version - 1]) {
            if (c != 0) {
                centres.push_back(c);
            }
        }
        std::array<std::int32_t, 8> coordinates{};
        const std::int32_t count = clsQRLayout::AlignmentCoordinates(version, coordinates);
        ASSERT_EQ(count, centres.empty() ? 0 : static_cast<std::int32_t>(centres.size()) - 1);
        for (std::int32_t k = 0; k < count; ++k) {
            EXPECT_EQ(coordinates[static_cast<std::size_t>(k)], centres[centres.size() - 1 - k])
                << "version " << version;
        }
        Start(clsQRLayout::SymbolSize(version));
        clsQRLayout::DrawFunctionPatterns(Matrix(), version);
        const std::int32_t last = centres.empty() ? 0 : centres.back();
        for (const std::int32_t cy : centres) {
            for (const std::int32_t cx : centres) {
                if ((cx == 6 && (cy == 6 || cy == last)) || (cy == 6 && cx == last)) {
                    continue;
                }
                for (std::int32_t d = 0; d < 25; ++d) {
                    ASSERT_EQ(At(cx + d % 5 - 2, cy + d / 5 - 2), kAlignment[d / 5][d % 5])
                        << "version " << version << " centre (" << cx << "," << cy << ")";
                }
            }
        }
    }
}

} // namespace
} // namespace ostrel
