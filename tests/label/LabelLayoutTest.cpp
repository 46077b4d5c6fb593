// Sheets of labels and captions: the cells tile the page inside its margins with the gaps asked
// for, and a caption is never wider than its symbol, never under 6 pt, and refused with a reason
// when it cannot be drawn.
#include "CaptionFont.h"
#include "CaptionLayout.h"
#include "SheetGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using ostrel::label::CaptionFont;
using ostrel::label::CaptionLayout;
using ostrel::label::SheetGeometry;

constexpr double Mm = 72.0 / 25.4;

TEST(SheetGeometry, CellsTileThePageInsideItsMarginsWithTheGapsAsked) {
    struct Case {
        const char* Page;
        double WidthMm, HeightMm;
        const char* Grid;
        const char* Margin;
        const char* Gap;
    };
    const Case cases[] = {
        {"A4", 210, 297, "3x8", nullptr, nullptr},
        {"a5", 148, 210, "2x4", "5mm", "2mm"},
        {"Letter", 215.9, 279.4, "4x10", "0.5in", "0.1in"},
        {"100x150mm", 100, 150, "1x1", "0", "0"},
        {"A4", 210, 297, "7x20", "1cm", "1.5mm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Page) + " " + c.Grid);
        const auto opt = [](const char* text) {
            return text ? std::optional<std::string>(text) : std::nullopt;
        };
        const SheetGeometry g = SheetGeometry::Make(c.Page, c.Grid, {}, opt(c.Margin), opt(c.Gap));
        ASSERT_EQ(g.Error(), "");
        EXPECT_NEAR(g.PageWidth(), c.WidthMm * Mm, 1e-6);
        EXPECT_NEAR(g.PageHeight(), c.HeightMm * Mm, 1e-6);
        const double margin = !c.Margin                      ? 10 * Mm
                              : std::string(c.Margin) == "0" ? 0.0
                                                             : *SheetGeometry::Points(c.Margin);
        for (std::size_t i = 0; i < static_cast<std::size_t>(2 * g.PerPage()); ++i) {
            const SheetGeometry::Cell cell = g.At(i);
            const std::int32_t column = (cell.Number - 1) % g.Columns();
            const std::int32_t row = (cell.Number - 1) / g.Columns();
            EXPECT_EQ(cell.Page, static_cast<std::int32_t>(i) / g.PerPage() + 1);
            EXPECT_GE(cell.X, margin - 0.01);
            EXPECT_GE(cell.Y, margin - 0.01);
            EXPECT_LE(cell.X + cell.Width, g.PageWidth() - margin + 1e-6);
            EXPECT_LE(cell.Y + cell.Height, g.PageHeight() - margin + 1e-6);
            if (column > 0) {
                EXPECT_NEAR(cell.X - (g.At(i - 1).X + g.At(i - 1).Width), g.Gap(), 1e-9);
            }
            if (row > 0) {
                const SheetGeometry::Cell above = g.At(i - static_cast<std::size_t>(g.Columns()));
                EXPECT_NEAR(cell.Y - (above.Y + above.Height), g.Gap(), 1e-9);
            }
        }
        // The last cell of a grid reaches the margin: the grid shares out the whole area.
        const SheetGeometry::Cell last = g.At(static_cast<std::size_t>(g.PerPage() - 1));
        EXPECT_NEAR(last.X + last.Width, g.PageWidth() - g.Margin(), 1e-6);
        EXPECT_NEAR(last.Y + last.Height, g.PageHeight() - g.Margin(), 1e-6);
    }
}

TEST(SheetGeometry, LabelSizeFitsAsManyAsThePageHolds) {
    // Avery L7160 style: 63.5 x 38.1 mm on A4 with 7 mm margins and a 2.5 mm gap: 3 x 7.
    const SheetGeometry g = SheetGeometry::Make("A4", {}, "63.5x38.1mm", "7mm", "2.5mm");
    ASSERT_EQ(g.Error(), "");
    EXPECT_EQ(g.Columns(), 3);
    EXPECT_EQ(g.Rows(), 7);
    EXPECT_NEAR(g.CellWidth(), 63.5 * Mm, 1e-9);
}

TEST(SheetGeometry, RefusesWhatCannotBeASheet) {
    const struct {
        const char* Sheet;
        std::optional<std::string> Grid, Label, Margin, Gap;
        const char* Says;
    } cases[] = {
        {"A9", "3x8", {}, {}, {}, "for --sheet"},
        {"210x297", "3x8", {}, {}, {}, "for --sheet"},
        {"A4", "0x8", {}, {}, {}, "for --grid"},
        {"A4", "3x", {}, {}, {}, "for --grid"},
        {"A4", {}, "300x10mm", {}, {}, "do not fit"},
        {"A4", "3x8", {}, "110mm", {}, "do not fit"},
        {"A4", "3x8", {}, {}, "100mm", "do not fit"},
        {"A4", "3x8", "80x30mm", {}, {}, "do not fit"},
        {"A4", "3x8", {}, "10px", {}, "for --sheet-margin"},
        {"A4", {}, {}, {}, {}, "needs --grid"},
    };
    for (const auto& c : cases) {
        const SheetGeometry g = SheetGeometry::Make(c.Sheet, c.Grid, c.Label, c.Margin, c.Gap);
        EXPECT_NE(g.Error().find(c.Says), std::string::npos) << c.Sheet << ": " << g.Error();
    }
}

TEST(CaptionLayout, FitsUnderTheSymbolAtLeastSixPointsOrSaysWhy) {
    const CaptionFont& font = CaptionFont::Shared();
    ASSERT_EQ(font.Error(), "");
    EXPECT_NE(font.FoundFamily().find("Noto Sans CJK"), std::string::npos) << font.File();
    const std::string texts[] = {"A1", "产品 A-001 名称", "SN-2026-000001 https://ostrel.example",
                                 "座位 12 排 8 号"};
    for (const std::string& text : texts) {
        for (const double width : {40.0, 100.0, 300.0, 1000.0}) {
            SCOPED_TRACE(text + " under " + std::to_string(width));
            const CaptionLayout fit = CaptionLayout::Fit(font, text, width, 1.0, {}, false);
            const double atLeast = font.Width(text) * CaptionLayout::MinPoints;
            if (atLeast > width) {
                EXPECT_NE(fit.Error.find("does not fit"), std::string::npos);
                continue;
            }
            ASSERT_EQ(fit.Error, "");
            EXPECT_LE(fit.Width, width + 1e-9);
            EXPECT_GE(fit.Size, CaptionLayout::MinPoints - 1e-9);
            EXPECT_LE(fit.Size,
                      std::max(width * CaptionLayout::DefaultFraction, CaptionLayout::MinPoints) +
                          1e-9);
            EXPECT_GT(fit.Band, fit.Baseline);
            // A size asked for is kept when it fits, refused when it does not.
            const CaptionLayout asked = CaptionLayout::Fit(font, text, width, 1.0, 6.0, true);
            EXPECT_EQ(asked.Error, "");
            EXPECT_EQ(asked.Band, std::ceil(asked.Band));
            const double tooLarge = width / font.Width(text) * 1.01;
            if (tooLarge <= CaptionLayout::MaxPoints) {
                EXPECT_NE(CaptionLayout::Fit(font, text, width, 1.0, tooLarge, false)
                              .Error.find("wider than the symbol"),
                          std::string::npos);
            }
        }
    }
}

TEST(CaptionLayout, RefusesTextTheFontCannotDraw) {
    const CaptionFont& font = CaptionFont::Shared();
    EXPECT_NE(font.Refusal("smile \xF0\x9F\x98\x80").find("U+1F600"), std::string::npos);
    EXPECT_NE(font.Refusal("two\nlines").find("U+000A"), std::string::npos);
    EXPECT_NE(font.Refusal("\xC3\x28").find("not UTF-8"), std::string::npos);
    EXPECT_NE(font.Refusal("\xE0\x80\x80").find("not UTF-8"), std::string::npos);
    EXPECT_EQ(font.Refusal("繁體 简体 日本語 한국어 123"), "");
}

} // namespace
