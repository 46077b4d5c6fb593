// The Micro QR and rMQR tables and geometry against zint, symbol size by symbol size: the
// dimensions, every function module, the format information, the modules left for codewords, and
// the capacity of every mode (zint's longest accepted input at a forced size against the one our
// codeword counts and count widths allow).
#include "SmallSymbolData.h"
#include "ZintOracle.h"
#include "clsMicroQRLayout.h"
#include "clsMicroQRTable.h"
#include "clsRMQRLayout.h"
#include "clsRMQRTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::Capacity;
using test::Repeat;
using test::ZintSymbol;

// zint's longest accepted input of a mode (0 if none), by bisection over the input length.
std::int32_t ZintCapacity(const std::function<bool(std::int32_t)>& accepts) {
    std::int32_t low = 0; // accepted (or nothing)
    std::int32_t high = 1;
    while (accepts(high)) {
        low = high;
        high *= 2;
    }
    while (high - low > 1) {
        const std::int32_t middle = (low + high) / 2;
        (accepts(middle) ? low : high) = middle;
    }
    return low;
}

// A matrix view of width x height modules without extra columns.
clsModuleMatrix View(std::vector<std::uint8_t>& modules, std::int32_t width, std::int32_t height) {
    return clsModuleMatrix::Of(modules, width, height, width);
}

// Compares the function modules (1 dark, 2 light) of a drawn pattern with zint's symbol and
// returns how many differ (modules that are 0 in the pattern are left out).
std::int32_t FunctionModuleDifferences(const std::vector<std::uint8_t>& pattern,
                                       const ZintSymbol& zint, std::int32_t width,
                                       std::int32_t height) {
    std::int32_t differences = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t p = pattern[static_cast<std::size_t>(y * width + x)];
            if (p != 0 && (p == 1) != (zint.At(x, y) == 1)) {
                ++differences;
            }
        }
    }
    return differences;
}

TEST(MicroQRTables, SizeFunctionPatternsAndFormatAgreeWithZint) {
    const std::vector<std::uint8_t> one = {'1'};
    for (std::int32_t version = 1; version <= 4; ++version) {
        const std::int32_t side = clsMicroQRTable::Side(version);
        std::vector<std::uint8_t> pattern(static_cast<std::size_t>(side * side));
        clsMicroQRLayout::DrawFunctionPatterns(View(pattern, side, side), version);
        const auto free = std::count(pattern.begin(), pattern.end(), 0);
        EXPECT_EQ(free, clsMicroQRLayout::DataModuleCount(version)) << "M" << version;
        EXPECT_EQ(free, 8 * clsMicroQRTable::TotalCodewords(version) -
                            (clsMicroQRTable::HasHalfCodeword(version) ? 4 : 0))
            << "M" << version;
        for (std::int32_t level = 1; level <= 3; ++level) {
            if (!clsMicroQRTable::HasLevel(version, level)) {
                continue;
            }
            for (std::int32_t mask = 0; mask < clsMicroQRTable::MaskCount; ++mask) {
                const ZintSymbol zint = test::ZintMicroQR(one, version, level, mask, false);
                SCOPED_TRACE(std::string("M") + std::to_string(version) + " level " +
                             std::to_string(level) + " mask " + std::to_string(mask));
                ASSERT_EQ(zint.Width, side) << zint.Error;
                ASSERT_EQ(zint.Height, side);
                // Our format word written over zint's symbol changes nothing, and over our
                // pattern gives the function modules zint has.
                const std::uint32_t word = clsMicroQRTable::FormatWord(
                    clsMicroQRTable::SymbolNumber(version, level), mask);
                std::vector<std::uint8_t> withFormat = zint.Modules;
                clsMicroQRLayout::WriteFormatInformation(View(withFormat, side, side), version,
                                                         word);
                EXPECT_EQ(withFormat, zint.Modules);
                std::vector<std::uint8_t> expected = pattern;
                clsMicroQRLayout::WriteFormatInformation(View(expected, side, side), version, word);
                EXPECT_EQ(FunctionModuleDifferences(expected, zint, side, side), 0);
            }
        }
    }
}

TEST(RMQRTables, SizeFunctionPatternsAndFormatAgreeWithZint) {
    const std::vector<std::uint8_t> one = {'1'};
    for (std::int32_t index = 0; index < clsRMQRTable::SizeCount; ++index) {
        const std::int32_t width = clsRMQRTable::Width(index);
        const std::int32_t height = clsRMQRTable::Height(index);
        SCOPED_TRACE(std::string("R") + std::to_string(height) + "x" + std::to_string(width));
        EXPECT_EQ(clsRMQRTable::Find(height, width), index);
        std::vector<std::uint8_t> pattern(static_cast<std::size_t>(width * height));
        clsRMQRLayout::DrawFunctionPatterns(View(pattern, width, height), index);
        const auto free = std::count(pattern.begin(), pattern.end(), 0);
        EXPECT_EQ(free, clsRMQRLayout::DataModuleCount(index));
        EXPECT_EQ(free / 8, clsRMQRTable::TotalCodewords(index));
        for (const std::int32_t level : {2, 4}) {
            const ZintSymbol zint = test::ZintRMQR(one, index, level, false);
            ASSERT_EQ(zint.Width, width) << zint.Error;
            ASSERT_EQ(zint.Height, height);
            std::vector<std::uint8_t> withFormat = zint.Modules;
            clsRMQRLayout::WriteFormatInformation(View(withFormat, width, height), index,
                                                  clsRMQRTable::FormatWord(index, level));
            EXPECT_EQ(withFormat, zint.Modules) << "level " << level;
            std::vector<std::uint8_t> expected = pattern;
            clsRMQRLayout::WriteFormatInformation(View(expected, width, height), index,
                                                  clsRMQRTable::FormatWord(index, level));
            EXPECT_EQ(FunctionModuleDifferences(expected, zint, width, height), 0)
                << "level " << level;
        }
    }
}

TEST(MicroQRTables, CapacityOfEveryModeAgreesWithZint) {
    for (std::int32_t version = 1; version <= 4; ++version) {
        for (std::int32_t level = 1; level <= 3; ++level) {
            if (!clsMicroQRTable::HasLevel(version, level)) {
                continue;
            }
            for (std::int32_t mode = 0; mode < 4; ++mode) {
                const std::int32_t expected =
                    Capacity(clsMicroQRTable::DataBits(version, level),
                             clsMicroQRTable::IndicatorBits(version),
                             clsMicroQRTable::CountBits(version, mode), mode);
                const std::int32_t zint = ZintCapacity([&](std::int32_t n) {
                    return test::ZintMicroQR(Repeat(mode, n), version, level, 0, mode == 3).Width >
                           0;
                });
                EXPECT_EQ(expected, zint)
                    << "M" << version << " level " << level << " mode " << mode;
            }
        }
    }
}

TEST(RMQRTables, CapacityOfEveryModeAgreesWithZint) {
    for (std::int32_t index = 0; index < clsRMQRTable::SizeCount; ++index) {
        for (const std::int32_t level : {2, 4}) {
            for (std::int32_t mode = 0; mode < 4; ++mode) {
                const std::int32_t expected = Capacity(
                    8 * clsRMQRTable::DataCodewords(index, level), clsRMQRTable::IndicatorBits,
                    clsRMQRTable::CountBits(index, mode), mode);
                const std::int32_t zint = ZintCapacity([&](std::int32_t n) {
                    return test::ZintRMQR(Repeat(mode, n), index, level, mode == 3).Width > 0;
                });
                EXPECT_EQ(expected, zint)
                    << "R" << clsRMQRTable::Height(index) << "x" << clsRMQRTable::Width(index)
                    << " level " << level << " mode " << mode;
            }
        }
    }
}

} // namespace
} // namespace ostrel
