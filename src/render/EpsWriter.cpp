#include "EpsWriter.h"
#include "PrintColour.h"
#include "PrintSize.h"

#include <cmath>
#include <string>

namespace ostrel::render {

namespace {

std::string SetColour(const PrintColour& colour) {
    return colour.Components() + (colour.Cmyk() ? " setcmykcolor\n" : " setrgbcolor\n");
}

} // namespace

std::string EpsWriter::Write(const ModuleRects& modules, double modulePoints, Colour dark,
                             Colour light, bool cmyk) {
    if (modules.Width() <= 0 || modules.Height() <= 0 || !(modulePoints > 0)) {
        return {};
    }
    const double width = modulePoints * modules.Width();
    const double height = modulePoints * modules.Height();
    // A bounding box of whole points, rounded up; 4 decimals of a point (1/720 mm) decide the
    // rounding, so that 56.69291 and 56.6929 give the same box as the exact size.
    auto whole = [](double points) {
        return std::to_string(static_cast<long long>(std::ceil(std::round(points * 1e4) / 1e4)));
    };
    const Colour ground = PrintColour::Over(light, White);
    const Colour ink = PrintColour::Over(dark, light.Alpha == 0 ? White : ground);

    std::string file = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + whole(width) + " " +
                       whole(height) + "\n%%HiResBoundingBox: 0 0 " + PrintSize::Number(width) +
                       " " + PrintSize::Number(height) +
                       "\n%%Creator: ostrel-qr-cli\n%%Title: QR Code symbol\n"
                       "%%LanguageLevel: 2\n%%Pages: 1\n%%EndComments\n"
                       "%%BeginProlog\n"
                       // x y w h R: a closed rectangle added to the current path.
                       "/OstrelQR 1 dict def OstrelQR begin\n"
                       "/R { 4 -2 roll moveto 1 index 0 rlineto 0 exch rlineto neg 0 rlineto "
                       "closepath } bind def\nend\n"
                       "%%EndProlog\n%%Page: 1 1\n"
                       "gsave OstrelQR begin\n";
    // One module a unit, y downwards from the top of the box.
    const std::string scale = PrintSize::Number(modulePoints, 6);
    file += "0 " + PrintSize::Number(height, 6) + " translate " + scale + " -" + scale + " scale\n";
    if (light.Alpha != 0) {
        file += SetColour(PrintColour(ground, cmyk)) + "0 0 " + std::to_string(modules.Width()) +
                " " + std::to_string(modules.Height()) + " rectfill\n";
    }
    if (!modules.Rects().empty()) {
        file += SetColour(PrintColour(ink, cmyk)) + "newpath\n";
        for (const ModuleRects::Rect& rect : modules.Rects()) {
            file += std::to_string(rect.X) + ' ' + std::to_string(rect.Y) + ' ' +
                    std::to_string(rect.Width) + ' ' + std::to_string(rect.Height) + " R\n";
        }
        file += "fill\n";
    }
    file += "end grestore\nshowpage\n%%Trailer\n%%EOF\n";
    return file;
}

} // namespace ostrel::render
