#pragma once

#include "Colour.h"

#include <string>

namespace ostrel::render {

// A colour of the tool's options as PDF and PostScript state it: red, green and blue from 0 to 1,
// or, for printing with process inks, cyan, magenta, yellow and black by the plain conversion
// (black K = 1 - max(R, G, B), the rest of each ink from what is left), so that black is pure K
// and white no ink at all. Numbers with at most four decimals, as the page operators want them.
class PrintColour {
public:
    PrintColour(Colour colour, bool cmyk) : m_Colour(colour), m_Cmyk(cmyk) {}

    // The colour's components separated by blanks: "0.102 0.1373 0.4941" or "0 0 0 1".
    std::string Components() const;
    // The colour laid over another one by its opacity, opaque: what a format without
    // transparency shows.
    static Colour Over(Colour top, Colour bottom);

    bool Cmyk() const { return m_Cmyk; }
    std::uint8_t Alpha() const { return m_Colour.Alpha; }

private:
    Colour m_Colour;
    bool m_Cmyk = false;
};

} // namespace ostrel::render
