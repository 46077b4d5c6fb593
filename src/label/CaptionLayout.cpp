#include "CaptionLayout.h"

#include "CaptionFont.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ostrel::label {

namespace {

// Space under the text, as a fraction of its size.
constexpr double BottomPadding = 0.2;

std::string Points(double points) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f pt", points);
    return text;
}

} // namespace

double CaptionLayout::DefaultSize(double perSize, double symbolWidth, double unitsPerPoint) {
    const double fitted = perSize > 0 ? symbolWidth / perSize : MaxPoints * unitsPerPoint;
    return std::min({fitted, symbolWidth * DefaultFraction, MaxPoints * unitsPerPoint});
}

double CaptionLayout::BandHeight(const CaptionFont& font, double size) {
    return (font.Ascent() + font.Descent() + BottomPadding) * size;
}

CaptionLayout CaptionLayout::Fit(const CaptionFont& font, const std::string& text,
                                 double symbolWidth, double unitsPerPoint,
                                 std::optional<double> sizePoints, bool wholeBand) {
    CaptionLayout layout;
    if (!font.Error().empty()) {
        layout.Error = font.Error();
        return layout;
    }
    if (std::string refusal = font.Refusal(text); !refusal.empty()) {
        layout.Error = std::move(refusal);
        return layout;
    }
    const double perSize = font.Width(text);
    const double least = MinPoints * unitsPerPoint;
    // The largest size at which the text is no wider than the symbol.
    const double fitted = perSize > 0 ? symbolWidth / perSize : MaxPoints * unitsPerPoint;
    if (sizePoints) {
        layout.Size = *sizePoints * unitsPerPoint;
        if (layout.Size > fitted * (1 + 1e-9)) {
            layout.Error = "the caption at " + Points(*sizePoints) +
                           " is wider than the symbol; it fits at " +
                           Points(fitted / unitsPerPoint) + " or less";
            return layout;
        }
    } else {
        layout.Size = DefaultSize(perSize, symbolWidth, unitsPerPoint);
        if (layout.Size < least) {
            if (fitted < least * (1 - 1e-9)) {
                char wider[16];
                std::snprintf(wider, sizeof wider, "%.0f%%",
                              std::ceil((perSize * least / symbolWidth - 1) * 100));
                layout.Error = "the caption does not fit under the symbol even at " +
                               Points(MinPoints) + ": it is " + wider +
                               " wider than the symbol; shorten it or make the symbol larger";
                return layout;
            }
            layout.Size = least;
        }
    }
    layout.Width = perSize * layout.Size;
    layout.Baseline = font.Ascent() * layout.Size;
    layout.Band = BandHeight(font, layout.Size);
    if (wholeBand) {
        layout.Band = std::ceil(layout.Band);
    }
    return layout;
}

} // namespace ostrel::label
