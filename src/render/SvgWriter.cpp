#include "SvgWriter.h"
#include "PrintSize.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ostrel::render {

namespace {

std::string HexColour(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.Red, colour.Green, colour.Blue);
    return std::string(text, 7);
}

} // namespace

std::string SvgFill(Colour colour) {
    std::string fill = "fill=\"";
    fill += HexColour(colour);
    fill += '"';
    if (colour.Alpha != 255) {
        // Three significant digits, as printf's %g writes them (no exponent: alpha is at least
        // 1/255).
        char opacity[16];
        std::snprintf(opacity, sizeof opacity, "%.3g", colour.Alpha / 255.0);
        fill += " fill-opacity=\"";
        fill += opacity;
        fill += '"';
    }
    return fill;
}

std::string SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin,
                    Colour dark, Colour light, double unitsPerModule, std::string_view unit,
                    int decimals, const CaptionBand* band) {
    const std::int32_t width = symbol.Columns() + 2 * margin;
    const std::int32_t height = symbol.Rows() + 2 * margin;
    const double bandModules = band != nullptr ? band->Modules : 0.0;
    const std::string unitsWide = std::to_string(width);
    const std::string unitsHigh =
        band != nullptr ? PrintSize::Number(height + bandModules) : std::to_string(height);
    // The size a viewer or a word processor shows; the viewBox keeps the modules as units.
    const auto shown = [&](double modules) {
        if (unit.empty()) {
            return PrintSize::Number(modules * scale);
        }
        std::string length = PrintSize::Number(modules * unitsPerModule, decimals);
        length += unit;
        return length;
    };
    const std::string pixelsWide = shown(width);
    const std::string pixelsHigh = shown(height + bandModules);
    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + pixelsWide +
           "\" height=\"" + pixelsHigh + "\" viewBox=\"0 0 " + unitsWide + " " + unitsHigh +
           "\" shape-rendering=\"crispEdges\">\n";
    svg +=
        "<rect width=\"" + unitsWide + "\" height=\"" + unitsHigh + "\" " + SvgFill(light) + "/>\n";
    // Qt SVG refuses a path of more than 32767 elements (five per run here), and the largest
    // symbols have some 8000 runs: a new path every RunsPerPath runs keeps every renderer drawing.
    constexpr int RunsPerPath = 4096;
    int runs = 0;
    svg += "<path " + SvgFill(dark) + " d=\"";
    // One closed rectangle per horizontal run of dark modules.
    for (std::int32_t y = 0; y < symbol.Rows(); ++y) {
        std::int32_t x = 0;
        while (x < symbol.Columns()) {
            if (symbol.At(x, y) == 0) {
                ++x;
                continue;
            }
            const std::int32_t start = x;
            while (x < symbol.Columns() && symbol.At(x, y) != 0) {
                ++x;
            }
            const std::string run = std::to_string(x - start);
            if (runs++ == RunsPerPath) {
                svg += "\"/>\n<path ";
                svg += SvgFill(dark);
                svg += " d=\"";
                runs = 1;
            }
            svg += 'M';
            svg += std::to_string(start + margin);
            svg += ' ';
            svg += std::to_string(y + margin);
            svg += 'h';
            svg += run;
            svg += "v1h-";
            svg += run;
            svg += 'z';
        }
    }
    svg += "\"/>\n";
    if (band != nullptr) {
        svg += band->Svg;
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace ostrel::render
