#pragma once

#include "Colour.h"
#include "SheetGeometry.h"
#include "clsQRCode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::label {

// A batch's symbols as labels on the pages of one PDF: each in its cell (SheetGeometry), the
// symbol with its quiet zone and its caption under it, centred in the cell. Every label has the
// same module size: the one asked for, else the largest at which every label fits its cell.
// Symbols are vectors, captions real text in the embedded font.
class SheetDocument {
public:
    struct Label {
        const clsQRCode::Symbol* Symbol = nullptr;
        std::string Caption; // empty: none
    };
    struct Settings {
        std::int32_t Margin = 4; // the quiet zone in modules
        render::Colour Dark = render::Black;
        render::Colour Light = render::White;
        std::optional<double> CaptionPoints; // unset: fitted to each symbol
        std::optional<double> ModulePoints;  // unset: the largest that fits
        bool CutMarks = false;
    };
    // The smallest module a label may have: 0.25 mm, about three dots at 300 dpi.
    static constexpr double MinModulePoints = 0.25 * 72.0 / 25.4;

    struct Result {
        std::string Pdf;         // the document; empty when Error is set or no label is left
        std::string Error;       // why no document is made (the run stops)
        double ModulePoints = 0; // the module size of every label
        std::vector<std::string> Refused; // by label: why it has no cell (its row fails)
        std::vector<std::int32_t> CellOf; // by label: its cell's index, -1 when refused
        // By label: the symbol with its quiet zone on its page, points from the page's top-left
        // corner (what a reader is shown when the sheet is checked); unset when refused.
        struct Place {
            std::int32_t Page = 0; // from 1
            double X = 0;
            double Y = 0;
            double Width = 0;
            double Height = 0;
        };
        std::vector<Place> Places;
    };

    static Result Write(const SheetGeometry& geometry, const std::vector<Label>& labels,
                        const Settings& settings);
};

} // namespace ostrel::label
