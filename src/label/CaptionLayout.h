#pragma once

#include <optional>
#include <string>

namespace ostrel::label {

class CaptionFont;

// Where a caption goes under a symbol: the band below the symbol's quiet zone (the quiet zone
// itself stays clear), the text centred in it and never wider than the symbol's modules.
//
// Lengths are in the drawing's units: pixels for pictures, points for PDF and EPS, modules for
// SVG; unitsPerPoint converts the caption's size, which is given in points.
struct CaptionLayout {
    // The smallest caption the tool draws, and the largest it accepts.
    static constexpr double MinPoints = 6.0;
    static constexpr double MaxPoints = 144.0;
    // Without a size, the caption's em is at most this fraction of the symbol's width.
    static constexpr double DefaultFraction = 0.1;

    double Size = 0;     // the font size
    double Width = 0;    // the text's advance at Size
    double Band = 0;     // the band's height
    double Baseline = 0; // the baseline, down from the band's top
    std::string Error;   // why the caption cannot be drawn; the rest is then unset

    // The caption text in font under a symbol symbolWidth wide (its modules, no quiet zone):
    // at sizePoints when given (refused when wider than the symbol), else fitted to the symbol's
    // width and at most DefaultFraction of it, never under MinPoints (refused when the text is
    // wider than the symbol even then). wholeBand rounds the band up to whole units (pixels).
    // The size without one asked for (before the MinPoints floor) and the band a size needs.
    static double DefaultSize(double perSize, double symbolWidth, double unitsPerPoint);
    static double BandHeight(const CaptionFont& font, double size);

    static CaptionLayout Fit(const CaptionFont& font, const std::string& text, double symbolWidth,
                             double unitsPerPoint, std::optional<double> sizePoints,
                             bool wholeBand);
};

} // namespace ostrel::label
