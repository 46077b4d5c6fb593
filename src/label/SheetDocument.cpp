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

namespace {

// What every label needs, and the labels refused for a caption the font cannot draw.
std::vector<Need> Needs(const std::vector<SheetDocument::Label>& labels,
                        const SheetDocument::Settings& settings, const CaptionFont& font,
                        SheetDocument::Result& result) {
    std::vector<Need> needs;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const SheetDocument::Label& label = labels[i];
        Need need{font,
                  settings,
                  label.Symbol->Columns(),
                  label.Symbol->Rows(),
                  0,
                  !label.Caption.empty()};
        if (need.Caption) {
            result.Refused[i] = font.Error().empty() ? font.Refusal(label.Caption) : font.Error();
            need.PerSize = font.Width(label.Caption);
        }
        needs.push_back(need);
    }
    return needs;
}

// The module size of every label: the one asked for when every label fits its cell at it, else
// the largest at which all fit; 0 with result's error when there is none or it is too small.
double ChooseModule(const SheetGeometry& geometry, const std::vector<Need>& needs,
                    const SheetDocument::Settings& settings, SheetDocument::Result& result) {
    const auto cells = [&] {
        return Millimetres(geometry.CellWidth()) + " x " + Millimetres(geometry.CellHeight());
    };
    double module = settings.ModulePoints.value_or(geometry.CellWidth());
    std::size_t narrowest = needs.size();
    for (std::size_t i = 0; i < needs.size(); ++i) {
        const Need& need = needs[i];
        if (!result.Refused[i].empty()) {
            continue;
        }
        if (settings.ModulePoints) {
            if (need.Width(module) > geometry.CellWidth() + 1e-6 ||
                need.Height(module) > geometry.CellHeight() + 1e-6) {
                result.Error = "label " + std::to_string(i + 1) + " needs " +
                               Millimetres(need.Width(module)) + " x " +
                               Millimetres(need.Height(module)) +
                               " at this --module-size, and the cells are " + cells();
                return 0;
            }
        } else if (const double largest = need.Largest(geometry.CellWidth(), geometry.CellHeight());
                   largest < module) {
            module = largest;
            narrowest = i;
        }
    }
    if (module < SheetDocument::MinModulePoints) {
        result.Error = "the cells (" + cells() + ") are too small: label " +
                       std::to_string(narrowest + 1) + " would have modules of " +
                       Millimetres(module) + ", under the " +
                       Millimetres(SheetDocument::MinModulePoints) +
                       " that readers need; use fewer cells, a larger page or less data";
        return 0;
    }
    return module;
}

// One label centred in its cell: the ground, the modules, the caption; where its symbol is.
SheetDocument::Result::Place DrawLabel(cairo_t* cairo, const Need& need,
                                       const SheetDocument::Label& label, double module,
                                       const SheetGeometry::Cell& cell,
                                       const CaptionLayout& layout) {
    const SheetDocument::Settings& settings = need.Settings;
    const clsQRCode::Symbol& symbol = *label.Symbol;
    const std::int32_t q = settings.Margin;
    const double width = need.Width(module);
    const double symbolHeight = (need.Rows + 2 * q) * module;
    const double x = cell.X + (cell.Width - width) / 2;
    const double y = cell.Y + (cell.Height - symbolHeight - layout.Band) / 2;
    CairoDocument::FillBox(cairo, x, y, width, symbolHeight + layout.Band, settings.Light);
    const render::ModuleRects rects(
        symbol.Columns(), symbol.Rows(),
        [&](std::int32_t mx, std::int32_t my) { return symbol.At(mx, my) != 0; });
    CairoDocument::FillRects(cairo, rects, x + q * module, y + q * module, module, settings.Dark);
    if (need.Caption) {
        CaptionPainter(need.Font, label.Caption, layout)
            .Draw(cairo, x + width / 2, y + symbolHeight, settings.Dark);
    }
    return {cell.Page, x, y, width, symbolHeight};
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
    const std::vector<Need> needs = Needs(labels, settings, font, result);
    const double module = ChooseModule(geometry, needs, settings, result);
    if (!result.Error.empty()) {
        return result;
    }
    result.ModulePoints = module;
    CairoDocument document(CairoDocument::Kind::Pdf, geometry.PageWidth(), geometry.PageHeight());
    cairo_t* cairo = document.Context();
    std::int32_t cells = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        CaptionLayout layout;
        if (result.Refused[i].empty() && needs[i].Caption) {
            layout = CaptionLayout::Fit(font, labels[i].Caption, needs[i].Columns * module, 1.0,
                                        settings.CaptionPoints, false);
            result.Refused[i] = layout.Error;
        }
        if (!result.Refused[i].empty()) {
            continue;
        }
        const SheetGeometry::Cell cell = geometry.At(static_cast<std::size_t>(cells));
        if (cells > 0 && cell.Number == 1) {
            if (settings.CutMarks) {
                DrawCutMarks(cairo, geometry);
            }
            document.NextPage();
        }
        result.CellOf[i] = cells++;
        result.Places[i] = DrawLabel(cairo, needs[i], labels[i], module, cell, layout);
    }
    if (cells == 0) {
        return result; // no document: every label was refused
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
