#include "TextRenderer.h"

namespace ostrel::render {

namespace {

// Module (x, y) of the symbol seen with a margin: x and y count from the margin's corner.
bool Dark(const clsQRCode::Symbol& symbol, std::int32_t margin, std::int32_t x, std::int32_t y) {
    return symbol.At(x - margin, y - margin) != 0;
}

} // namespace

std::string MatrixText(const clsQRCode::Symbol& symbol, std::int32_t margin) {
    const std::int32_t width = symbol.Columns() + 2 * margin;
    const std::int32_t height = symbol.Rows() + 2 * margin;
    std::string text;
    text.reserve(static_cast<std::size_t>(height) * (width + 1));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            text.push_back(Dark(symbol, margin, x, y) ? '1' : '0');
        }
        text.push_back('\n');
    }
    return text;
}

std::string Utf8Text(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert) {
    static constexpr const char* Full = "\u2588";  // both rows inked
    static constexpr const char* Upper = "\u2580"; // the upper row only
    static constexpr const char* Lower = "\u2584"; // the lower row only
    const std::int32_t width = symbol.Columns() + 2 * margin;
    const std::int32_t height = symbol.Rows() + 2 * margin;
    // Ink for light modules on a dark terminal, for dark ones with invert.
    auto ink = [&](std::int32_t x, std::int32_t y) {
        return y < height && Dark(symbol, margin, x, y) == invert;
    };
    std::string text;
    text.reserve(static_cast<std::size_t>(height) * (width + 1) * 2);
    for (std::int32_t y = 0; y < height; y += 2) {
        for (std::int32_t x = 0; x < width; ++x) {
            const bool upper = ink(x, y);
            const bool lower = ink(x, y + 1);
            text.append(upper && lower ? Full : upper ? Upper : lower ? Lower : " ");
        }
        text.push_back('\n');
    }
    return text;
}

std::string AnsiText(const clsQRCode::Symbol& symbol, std::int32_t margin, bool invert) {
    static constexpr const char* WhiteBackground = "\x1b[47m";
    static constexpr const char* BlackBackground = "\x1b[40m";
    static constexpr const char* Reset = "\x1b[0m";
    const std::int32_t width = symbol.Columns() + 2 * margin;
    const std::int32_t height = symbol.Rows() + 2 * margin;
    std::string text;
    for (std::int32_t y = 0; y < height; ++y) {
        int current = -1; // the colour in force: 0 white, 1 black
        for (std::int32_t x = 0; x < width; ++x) {
            const int black = Dark(symbol, margin, x, y) != invert ? 1 : 0;
            if (black != current) {
                text.append(black != 0 ? BlackBackground : WhiteBackground);
                current = black;
            }
            text.append("  ");
        }
        text.append(Reset);
        text.push_back('\n');
    }
    return text;
}

} // namespace ostrel::render
