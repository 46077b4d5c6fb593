#include "PrintColour.h"
#include "PrintSize.h"

#include <algorithm>

namespace ostrel::render {

std::string PrintColour::Components() const {
    const double red = m_Colour.Red / 255.0;
    const double green = m_Colour.Green / 255.0;
    const double blue = m_Colour.Blue / 255.0;
    if (!m_Cmyk) {
        return PrintSize::Number(red) + ' ' + PrintSize::Number(green) + ' ' +
               PrintSize::Number(blue);
    }
    const double black = 1.0 - std::max({red, green, blue});
    if (black >= 1.0) {
        return "0 0 0 1";
    }
    auto ink = [black](double channel) {
        return PrintSize::Number((1.0 - channel - black) / (1.0 - black));
    };
    return ink(red) + ' ' + ink(green) + ' ' + ink(blue) + ' ' + PrintSize::Number(black);
}

Colour PrintColour::Over(Colour top, Colour bottom) {
    auto mix = [&top](std::uint8_t upper, std::uint8_t lower) {
        return static_cast<std::uint8_t>((upper * top.Alpha + lower * (255 - top.Alpha) + 127) /
                                         255);
    };
    return {mix(top.Red, bottom.Red), mix(top.Green, bottom.Green), mix(top.Blue, bottom.Blue),
            255};
}

} // namespace ostrel::render
