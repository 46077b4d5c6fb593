#pragma once

#include "CaptionLayout.h"
#include "Colour.h"

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::label {

class CaptionFont;

// Draws a caption laid out by CaptionLayout: as pixels of coverage for pictures, as an SVG element
// (real text, or its outline for print shops), or on a cairo context (PDF, EPS).
class CaptionPainter {
public:
    CaptionPainter(const CaptionFont& font, std::string text, const CaptionLayout& layout)
        : m_Font(font), m_Text(std::move(text)), m_Layout(layout) {}

    // The band as width x Band rows of coverage (0 none .. 255 full), row after row, the text
    // centred on centreX; Band must be whole (CaptionLayout::Fit with wholeBand).
    std::vector<std::uint8_t> Coverage(std::int32_t width, double centreX) const;

    // An SVG element for the band whose top is at top, the text centred on centreX: <text> naming
    // the font family, or with outline a <path> of the glyphs' outlines, filled with colour.
    std::string Svg(double centreX, double top, render::Colour colour, bool outline) const;

    // The text drawn on cairo in colour, in the band whose top is at top, centred on centreX.
    void Draw(cairo_t* cairo, double centreX, double top, render::Colour colour) const;

private:
    const CaptionFont& m_Font;
    std::string m_Text;
    CaptionLayout m_Layout;
};

} // namespace ostrel::label
