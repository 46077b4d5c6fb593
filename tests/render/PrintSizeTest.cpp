// Sizes in real units and the rectangles of vector drawings, checked against arithmetic done
// by hand from the units' definitions (1 in = 25.4 mm = 72 pt) and against the module grid
// itself.
#include "PrintSize.h"
#include "ModuleRects.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using ostrel::render::ModuleRects;
using ostrel::render::PrintSize;
using Unit = PrintSize::Unit;
using Measure = PrintSize::Measure;

TEST(PrintSize, ParsesANumberWithItsUnitAndRefusesTheRest) {
    struct Good {
        const char* Text;
        double Value;
        Unit In;
    };
    for (const Good& good : std::vector<Good>{{"0.5mm", 0.5, Unit::Millimetre},
                                              {"2cm", 2, Unit::Centimetre},
                                              {"0.02in", 0.02, Unit::Inch},
                                              {"6px", 6, Unit::Pixel},
                                              {"20MM", 20, Unit::Millimetre},
                                              {".5in", 0.5, Unit::Inch},
                                              {"3.px", 3, Unit::Pixel}}) {
        std::string error;
        const auto length = PrintSize::Parse(good.Text, error);
        ASSERT_TRUE(length) << good.Text << ": " << error;
        EXPECT_DOUBLE_EQ(length->Value, good.Value) << good.Text;
        EXPECT_EQ(length->In, good.In) << good.Text;
    }
    // Each refusal names what is wrong; a suggestion ("(0.5mm?)") is itself a good size.
    const std::string tooLarge = std::string(400, '9') + "mm";
    for (const auto& [bad, says] :
         std::vector<std::pair<std::string, std::string>>{{"0.5", "(0.5mm?)"},
                                                          {"0", "greater than zero"},
                                                          {"0.000", "greater than zero"},
                                                          {"9000", "a unit after the number"},
                                                          {"5km", "not 'km'"},
                                                          {"-1mm", "positive"},
                                                          {"0mm", "greater than zero"},
                                                          {"0.000px", "greater than zero"},
                                                          {"mm", "a number with a unit"},
                                                          {"", "a number with a unit"},
                                                          {".mm", "a number with a unit"},
                                                          {"1e3mm", "not '1e3'"},
                                                          {"1e400mm", "not '1e400'"},
                                                          {"1.2.3mm", "not '1.2.3'"},
                                                          {tooLarge, "is too large"},
                                                          {" 5mm", "a number with a unit"},
                                                          {"5 mm", "not ' mm'"},
                                                          {"+5mm", "not '+5'"},
                                                          {"5mm ", "not 'mm '"},
                                                          {"infmm", "a number with a unit"},
                                                          {"nanpx", "a number with a unit"}}) {
        std::string error;
        EXPECT_FALSE(PrintSize::Parse(bad, error)) << bad;
        EXPECT_NE(error.find(says), std::string::npos) << bad << ": " << error;
        const auto open = error.find(" (");
        if (error.ends_with("?)")) {
            std::string ignored;
            const std::string suggested = error.substr(open + 2, error.size() - open - 4);
            EXPECT_TRUE(PrintSize::Parse(suggested, ignored)) << bad << ": " << suggested;
        }
        EXPECT_EQ(error.ends_with("?)"), bad == "0.5") << bad << ": " << error;
    }
}

TEST(PrintSize, PicturesSnapToWholePixelsAndWarnBeyondFivePercent) {
    struct Case {
        PrintSize::Length Asked;
        Measure Measures;
        std::optional<std::int32_t> Dpi;
        std::int32_t Width; // modules with the quiet zone
        std::int32_t Pixels;
        bool Warns;
    };
    // 20 mm at 300 dpi is 236.22 pixels: 8.15 a module of 29, 7.16 of 33 (2.3% off).
    // 21 mm at 300 dpi is 248.03 pixels: 8.55 a module of 29, rounded to 9 (5.2% off).
    // 0.5 mm at 300 dpi is 5.906 pixels: 6 (1.6% off); 0.1 in at 72 dpi 7.2: 7 (2.8% off).
    // 1.3 px: 1 (23% off).
    for (const Case& c : std::vector<Case>{
             {{20, Unit::Millimetre}, Measure::Whole, 300, 29, 8, false},
             {{20, Unit::Millimetre}, Measure::Whole, 300, 33, 7, false},
             {{21, Unit::Millimetre}, Measure::Whole, 300, 29, 9, true},
             {{2.1, Unit::Centimetre}, Measure::Whole, 300, 29, 9, true},
             {{0.5, Unit::Millimetre}, Measure::Module, 300, 29, 6, false},
             {{0.1, Unit::Inch}, Measure::Module, 72, 99, 7, false},
             {{6, Unit::Pixel}, Measure::Module, std::nullopt, 29, 6, false},
             {{6, Unit::Pixel}, Measure::Module, 600, 29, 6, false},
             {{290, Unit::Pixel}, Measure::Whole, std::nullopt, 29, 10, false},
             {{1.3, Unit::Pixel}, Measure::Module, std::nullopt, 29, 1, true},
         }) {
        const auto resolved = PrintSize(c.Asked, c.Measures, c.Dpi).Resolve(c.Width, true);
        EXPECT_EQ(resolved.Error, "") << c.Asked.Value;
        EXPECT_EQ(resolved.Pixels, c.Pixels) << c.Asked.Value;
        EXPECT_EQ(!resolved.Warning.empty(), c.Warns) << c.Asked.Value << resolved.Warning;
    }
}

TEST(PrintSize, DrawingsKeepTheExactSizeInPoints) {
    // 20 mm = 56.6929 pt across 29 modules; 0.5 mm = 1.41732 pt; 0.02 in = 1.44 pt; 6 CSS px =
    // 4.5 pt; 6 px at 300 dpi = 1.44 pt.
    EXPECT_NEAR(PrintSize({20, Unit::Millimetre}, Measure::Whole, {}).Resolve(29, false).Points *
                    29,
                56.6929, 1e-4);
    EXPECT_NEAR(PrintSize({0.5, Unit::Millimetre}, Measure::Module, {}).Resolve(29, false).Points,
                1.41732, 1e-5);
    EXPECT_NEAR(PrintSize({0.02, Unit::Inch}, Measure::Module, {}).Resolve(29, false).Points, 1.44,
                1e-9);
    EXPECT_NEAR(PrintSize({6, Unit::Pixel}, Measure::Module, {}).Resolve(29, false).Points, 4.5,
                1e-9);
    EXPECT_NEAR(PrintSize({6, Unit::Pixel}, Measure::Module, 300).Resolve(29, false).Points, 1.44,
                1e-9);
    const PrintSize inches({6, Unit::Pixel}, Measure::Module, 300);
    EXPECT_EQ(inches.DrawingUnit(), "in");
    EXPECT_NEAR(inches.InDrawingUnit(1.0), 1.0, 1e-12);
    EXPECT_EQ(PrintSize({6, Unit::Pixel}, Measure::Module, {}).DrawingUnit(), "px");
}

// SVG states the size in the unit asked, exactly: pixels at a resolution are no CSS pixels, so
// they become inches when those are exact, else points (exact at the usual resolutions).
TEST(PrintSize, SvgSizesAreExactInTheUnitAsked) {
    struct Case {
        PrintSize::Length Asked;
        Measure Measures;
        std::optional<std::int32_t> Dpi;
        std::int32_t Width, Height; // modules with the quiet zone
        const char* ShownWidth;
        const char* ShownHeight;
    };
    for (const Case& c : std::vector<Case>{
             {{3, Unit::Centimetre}, Measure::Whole, {}, 33, 33, "3cm", "3cm"},
             {{20, Unit::Millimetre}, Measure::Whole, {}, 31, 15, "20mm", "9.6774mm"},
             {{0.8, Unit::Inch}, Measure::Whole, 300, 29, 29, "0.8in", "0.8in"},
             {{100, Unit::Pixel}, Measure::Whole, 300, 33, 33, "24pt", "24pt"},
             {{100, Unit::Pixel}, Measure::Whole, 72, 31, 15, "100pt", "48.387097pt"},
             {{6, Unit::Pixel}, Measure::Module, 300, 33, 33, "0.66in", "0.66in"},
             {{3, Unit::Pixel}, Measure::Module, 7, 29, 29, "894.857143pt", "894.857143pt"},
             {{100, Unit::Pixel}, Measure::Whole, {}, 33, 33, "100px", "100px"},
         }) {
        const PrintSize size(c.Asked, c.Measures, c.Dpi);
        const auto svg = size.SvgSize(size.ModuleInches(c.Width), c.Width, c.Height);
        const auto shown = [&](std::int32_t modules) {
            return PrintSize::Number(svg.PerModule * modules, svg.Decimals) + std::string(svg.Unit);
        };
        EXPECT_EQ(shown(c.Width), c.ShownWidth) << c.Asked.Value;
        EXPECT_EQ(shown(c.Height), c.ShownHeight) << c.Asked.Value;
    }
}

TEST(PrintSize, RefusesSizesThatCannotBeDrawn) {
    // Under one pixel a module at the resolution, pictures and drawings alike: 2 mm across 29
    // modules at 300 dpi is 0.81 pixels a module.
    for (const bool raster : {true, false}) {
        EXPECT_NE(PrintSize({2, Unit::Millimetre}, Measure::Whole, 300).Resolve(29, raster).Error,
                  "");
        EXPECT_EQ(PrintSize({3, Unit::Millimetre}, Measure::Whole, 300).Resolve(29, raster).Error,
                  "");
    }
    // A picture in millimetres without a resolution; more than 100 pixels a module.
    EXPECT_NE(PrintSize({20, Unit::Millimetre}, Measure::Whole, {}).Resolve(29, true).Error, "");
    EXPECT_NE(PrintSize({10, Unit::Millimetre}, Measure::Module, 300).Resolve(29, true).Error, "");
    EXPECT_EQ(PrintSize({8, Unit::Millimetre}, Measure::Module, 300).Resolve(29, true).Pixels, 94);
    // A drawing over 200 inches wide.
    EXPECT_NE(PrintSize({201, Unit::Inch}, Measure::Whole, {}).Resolve(29, false).Error, "");
    EXPECT_EQ(PrintSize({200, Unit::Inch}, Measure::Whole, {}).Resolve(29, false).Error, "");
}

TEST(PrintSize, NumbersHaveNoExponentAndNoTrailingZeros) {
    EXPECT_EQ(PrintSize::Number(56.69291338), "56.6929");
    EXPECT_EQ(PrintSize::Number(20.0), "20");
    EXPECT_EQ(PrintSize::Number(0.5), "0.5");
    EXPECT_EQ(PrintSize::Number(1e-7), "0");
    EXPECT_EQ(PrintSize::Number(12345678.9, 1), "12345678.9");
}

// Every dark module lies in exactly one rectangle, no light one in any, on random grids of
// several shapes (square and rectangular) and densities.
TEST(ModuleRects, CoverTheDarkModulesExactlyOnce) {
    std::mt19937 random(18004);
    for (const auto& [width, height, density] : std::vector<std::tuple<int, int, int>>{
             {21, 21, 50}, {43, 11, 50}, {7, 59, 90}, {177, 177, 50}, {13, 13, 0}, {9, 5, 100}}) {
        std::vector<std::vector<bool>> grid(height, std::vector<bool>(width));
        for (auto& row : grid) {
            for (auto&& module : row) {
                module = static_cast<int>(random() % 100) < density;
            }
        }
        const ModuleRects rects(width, height, [&](int x, int y) { return grid[y][x]; });
        EXPECT_EQ(rects.Width(), width);
        EXPECT_EQ(rects.Height(), height);
        std::vector<std::vector<int>> cover(height, std::vector<int>(width));
        for (const auto& rect : rects.Rects()) {
            ASSERT_GT(rect.Width, 0);
            ASSERT_GT(rect.Height, 0);
            ASSERT_LE(rect.X + rect.Width, width);
            ASSERT_LE(rect.Y + rect.Height, height);
            for (int y = rect.Y; y < rect.Y + rect.Height; ++y) {
                for (int x = rect.X; x < rect.X + rect.Width; ++x) {
                    ++cover[y][x];
                }
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(cover[y][x], grid[y][x] ? 1 : 0)
                    << width << "x" << height << " at " << x << "," << y;
            }
        }
    }
    // A solid block is one rectangle; a column of equal runs grows downwards.
    EXPECT_EQ(ModuleRects(9, 5, [](int, int) { return true; }).Rects().size(), 1U);
    EXPECT_EQ(ModuleRects(0, 5, [](int, int) { return true; }).Rects().size(), 0U);
}

} // namespace
