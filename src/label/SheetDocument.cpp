#include "SheetDocument.h"

#include "CairoDocument.h"
#include "CaptionFont.h"
#include "CaptionLayout.h"
#include "CaptionPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ostrel::label {

namespace {

std::string Millimetres(double points) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f mm", points * 25.4 / 72.0);
    return text;
}

// What a label needs at a module size: its width and height with the caption's band.
struct Need {
    const CaptionFont& Font;
    const SheetDocument::Settings& Settings;
    std::int32_t Columns = 0; // the symbol's own
    std::int32_t Rows = 0;
    double PerSize = 0; // the caption's width at size 1; 0 for none
    bool Caption = false;

    double Width(double module) const { return (Columns + 2 * Settings.Margin) * module; }
    double Height(double module) const {
        double height = (Rows + 2 * Settings.Margin) * module;
        if (Caption) {
            const double symbolWidth = Columns * module;
            const double size = Settings.CaptionPoints.value_or(std::max(
                CaptionLayout::DefaultSize(PerSize, symbolWidth, 1.0), CaptionLayout::MinPoints));
            height += CaptionLayout::BandHeight(Font, size);
        }
        return height;
    }
    // The largest module at which the label fits a cell, by bisection (Height grows with it).
    double Largest(double cellWidth, double cellHeight) const {
        double low = 0;
        double high = cellWidth / (Columns + 2 * Settings.Margin);
        if (Height(high) <= cellHeight) {
            return high;
        }
        for (int i = 0; i < 60; ++i) {
            const double middle = (low + high) / 2;
            (Height(middle) <= cellHeight ? low : high) = middle;
        }
        return low;
    }
};

void DrawCutMarks(cairo_t* cairo, const SheetGeometry& g) {
    const double length = std::min(g.Margin() * 0.6, 14.0);
    const double clearance = std::min(g.Margin() * 0.2, 3.0);
    cairo_set_source_rgb(cairo, 0, 0, 0);
    cairo_set_line_width(cairo, 0.25);
    for (std::int32_t c = 0; c < g.Columns(); ++c) {
        for (const double x : {g.Margin() + c * (g.CellWidth() + g.Gap()),
                               g.Margin() + c * (g.CellWidth() + g.Gap()) + g.CellWidth()}) {
            const double top = g.Margin() - clearance;
            const double bottom = g.Margin() + g.Rows() * g.CellHeight() + (g.Rows() - 1) * g.Gap();
            cairo_move_to(cairo, x, top - length);
            cairo_line_to(cairo, x, top);
            cairo_move_to(cairo, x, bottom + clearance);
            cairo_line_to(cairo, x, bottom + clearance + length);
        }
    }
    for (std::int32_t r = 0; r < g.Rows(); ++r) {
        for (const double y : {g.Margin() + r * (g.CellHeight() + g.Gap()),
                               g.Margin() + r * (g.CellHeight() + g.Gap()) + g.CellHeight()}) {
            const double left = g.Margin() - clearance;
            const double right =
                g.Margin() + g.Columns() * g.CellWidth() + (g.Columns() - 1) * g.Gap();
            cairo_move_to(cairo, left - length, y);
            cairo_line_to(cairo, left, y);
            cairo_move_to(cairo, right + clearance, y);
            cairo_line_to(cairo, right + clearance + length, y);
        }
    }
    if (length > 0) {
        cairo_stroke(cairo);
    }
}

} // namespace

SheetDocument::Result SheetDocument::Write(const SheetGeometry& geometry,
                                           const std::vector<Label>& labels,
                                           const Settings& settings) {
    Result result;
    result.Refused.assign(labels.size(), std::string());
    result.CellOf.assign(labels.size(), -1);
    result.Places.assign(labels.size(), {});
    const CaptionFont& font = CaptionFont::Shared();
    std::vector<Need> needs;
    double module = settings.ModulePoints.value_or(geometry.CellWidth());
    std::size_t narrowest = labels.size();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const Label& label = labels[i];
        Need need{font,
                  settings,
                  label.Symbol->Columns(),
                  label.Symbol->Rows(),
                  0,
                  !label.Caption.empty()};
        if (need.Caption) {
            std::string refusal = font.Error().empty() ? font.Refusal(label.Caption) : font.Error();
            if (!refusal.empty()) {
                result.Refused[i] = std::move(refusal);
            }
            need.PerSize = font.Width(label.Caption);
        }
        needs.push_back(need);
        if (!result.Refused[i].empty()) {
            continue;
        }
        if (settings.ModulePoints) {
            if (need.Width(module) > geometry.CellWidth() + 1e-6 ||
                need.Height(module) > geometry.CellHeight() + 1e-6) {
                result.Error =
                    "label " + std::to_string(i + 1) + " needs " + Millimetres(need.Width(module)) +
                    " x " + Millimetres(need.Height(module)) +
                    " at this --module-size, and the "
                    "cells are " +
                    Millimetres(geometry.CellWidth()) + " x " + Millimetres(geometry.CellHeight());
                return result;
            }
        } else if (const double largest = need.Largest(geometry.CellWidth(), geometry.CellHeight());
                   largest < module) {
            module = largest;
            narrowest = i;
        }
    }
    if (module < MinModulePoints) {
        result.Error = "the cells (" + Millimetres(geometry.CellWidth()) + " x " +
                       Millimetres(geometry.CellHeight()) + ") are too small: label " +
                       std::to_string(narrowest + 1) + " would have modules of " +
                       Millimetres(module) + ", under the " + Millimetres(MinModulePoints) +
                       " that readers need; use fewer cells, a larger page or less data";
        return result;
    }
    result.ModulePoints = module;
    CairoDocument document(CairoDocument::Kind::Pdf, geometry.PageWidth(), geometry.PageHeight());
    cairo_t* cairo = document.Context();
    std::int32_t cells = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!result.Refused[i].empty()) {
            continue;
        }
        const Need& need = needs[i];
        const clsQRCode::Symbol& symbol = *labels[i].Symbol;
        const std::int32_t q = settings.Margin;
        const double symbolWidth = need.Columns * module;
        CaptionLayout layout;
        if (need.Caption) {
            layout = CaptionLayout::Fit(font, labels[i].Caption, symbolWidth, 1.0,
                                        settings.CaptionPoints, false);
            if (!layout.Error.empty()) {
                result.Refused[i] = layout.Error;
                continue;
            }
        }
        const SheetGeometry::Cell cell = geometry.At(static_cast<std::size_t>(cells));
        if (cells > 0 && cell.Number == 1) {
            if (settings.CutMarks) {
                DrawCutMarks(cairo, geometry);
            }
            document.NextPage();
        }
        result.CellOf[i] = cells++;
        const double width = need.Width(module);
        const double height = (need.Rows + 2 * q) * module + layout.Band;
        const double x = cell.X + (cell.Width - width) / 2;
        const double y = cell.Y + (cell.Height - height) / 2;
        result.Places[i] = {cell.Page, x, y, width, (need.Rows + 2 * q) * module};
        CairoDocument::FillBox(cairo, x, y, width, height, settings.Light);
        const render::ModuleRects rects(
            symbol.Columns(), symbol.Rows(),
            [&](std::int32_t mx, std::int32_t my) { return symbol.At(mx, my) != 0; });
        CairoDocument::FillRects(cairo, rects, x + q * module, y + q * module, module,
                                 settings.Dark);
        if (need.Caption) {
            CaptionPainter(font, labels[i].Caption, layout)
                .Draw(cairo, x + width / 2, y + (need.Rows + 2 * q) * module, settings.Dark);
        }
    }
    if (cells == 0) {
        result.Error = "no label to lay out: every row failed";
        return result;
    }
    if (settings.CutMarks) {
        DrawCutMarks(cairo, geometry);
    }
    result.Pdf = document.Finish();
    if (result.Pdf.empty()) {
        result.Error = "cairo could not make the PDF document";
    }
    return result;
}

} // namespace ostrel::label
