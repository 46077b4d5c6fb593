#include "PdfWriter.h"
#include "PrintColour.h"
#include "PrintSize.h"

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ostrel::render {

namespace {

// zlib level 6, its default: the content stream is a few kilobytes of text at most.
constexpr int CompressionLevel = 6;

// The colour operator for filling: "r g b rg" or "c m y k k".
std::string FillColour(const PrintColour& colour) {
    return colour.Components() + (colour.Cmyk() ? " k\n" : " rg\n");
}

// The page's drawing: the ground, then the dark modules as one path, both in module units.
std::string Content(const ModuleRects& modules, double modulePoints, const PrintColour& dark,
                    const PrintColour& light) {
    const std::string scale = PrintSize::Number(modulePoints, 6);
    const std::string width = std::to_string(modules.Width());
    const std::string height = std::to_string(modules.Height());
    // One module a unit, y downwards from the top of the page.
    std::string content = scale + " 0 0 -" + scale + " 0 " +
                          PrintSize::Number(modulePoints * modules.Height(), 6) + " cm\n";
    if (light.Alpha() != 0) {
        content += "q\n";
        if (light.Alpha() != 255) {
            content += "/Light gs\n";
        }
        content += FillColour(light) + "0 0 " + width + " " + height + " re f\nQ\n";
    }
    if (modules.Rects().empty()) {
        return content;
    }
    content += "q\n";
    if (dark.Alpha() != 255) {
        content += "/Dark gs\n";
    }
    content += FillColour(dark);
    for (const ModuleRects::Rect& rect : modules.Rects()) {
        content += std::to_string(rect.X) + ' ' + std::to_string(rect.Y) + ' ' +
                   std::to_string(rect.Width) + ' ' + std::to_string(rect.Height) + " re\n";
    }
    content += "f\nQ\n";
    return content;
}

// The logo drawn over its square (image space's top row at the square's top), then the
// function modules in the square: light ones, then dark ones.
std::string LogoContent(const PdfWriter::Logo& logo, const PrintColour& dark,
                        const PrintColour& light) {
    const LogoOverlay& picture = logo.Picture;
    const std::string side = std::to_string(picture.Side);
    std::string content =
        "q\n" + side + " 0 0 -" + side + " " + std::to_string(picture.X + logo.Margin) + " " +
        std::to_string(picture.Y + logo.Margin + picture.Side) + " cm\n/Logo Do\nQ\n";
    for (const bool isDark : {false, true}) {
        std::string rects;
        for (std::int32_t y = picture.Y; y < picture.Y + picture.Side; ++y) {
            for (std::int32_t x = picture.X; x < picture.X + picture.Side; ++x) {
                const auto at = static_cast<std::size_t>(y * logo.Symbol.Columns() + x);
                if (at < picture.Function.size() && picture.Function[at] != 0 &&
                    (logo.Symbol.At(x, y) != 0) == isDark) {
                    rects += std::to_string(x + logo.Margin) + ' ' +
                             std::to_string(y + logo.Margin) + " 1 1 re\n";
                }
            }
        }
        if (!rects.empty()) {
            content += "q\n" + FillColour(isDark ? dark : light) + rects + "f\nQ\n";
        }
    }
    return content;
}

// A compressed stream object's body: its dictionary entries (without Length and Filter) and data.
std::string Stream(const std::string& entries, const std::string& data) {
    uLongf packedSize = compressBound(static_cast<uLong>(data.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  CompressionLevel) != Z_OK) {
        return {};
    }
    packed.resize(packedSize);
    return "<< " + entries + " /Length " + std::to_string(packedSize) +
           " /Filter /FlateDecode >>\nstream\n" + packed + "\nendstream";
}

// The logo's image (DeviceRGB) and its soft mask (the alpha, DeviceGray), objects image and
// image + 1.
std::vector<std::string> LogoImages(const LogoOverlay& picture, std::size_t image) {
    std::string rgb;
    std::string alpha;
    for (std::size_t i = 0; i + 3 < picture.Rgba.size(); i += 4) {
        rgb.append(reinterpret_cast<const char*>(picture.Rgba.data() + i), 3);
        alpha += static_cast<char>(picture.Rgba[i + 3]);
    }
    const std::string size = "/Type /XObject /Subtype /Image /Width " +
                             std::to_string(picture.Pixels) + " /Height " +
                             std::to_string(picture.Pixels) + " /BitsPerComponent 8";
    return {
        Stream(size + " /ColorSpace /DeviceRGB /SMask " + std::to_string(image + 1) + " 0 R", rgb),
        Stream(size + " /ColorSpace /DeviceGray", alpha)};
}

std::string Opacity(std::uint8_t alpha) {
    return "<< /Type /ExtGState /ca " + PrintSize::Number(alpha / 255.0) + " >>";
}

} // namespace

std::string PdfWriter::Write(const ModuleRects& modules, double modulePoints, Colour dark,
                             Colour light, bool cmyk, const Logo* logo) {
    if (modules.Width() <= 0 || modules.Height() <= 0 || !(modulePoints > 0)) {
        return {};
    }
    const PrintColour darkColour(dark, cmyk);
    const PrintColour lightColour(light, cmyk);
    std::string content = Content(modules, modulePoints, darkColour, lightColour);
    if (logo != nullptr) {
        content += LogoContent(*logo, darkColour, lightColour);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(content.size()));
    std::vector<Bytef> packed(packedSize);
    if (compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(content.data()),
                  static_cast<uLong>(content.size()), CompressionLevel) != Z_OK) {
        return {};
    }

    // Objects 1 catalog, 2 page tree, 3 page, 4 content stream, then the graphics states.
    std::string resources;
    std::vector<std::string> states;
    if (light.Alpha != 255 && light.Alpha != 0) {
        states.push_back(Opacity(light.Alpha));
        resources += "/Light " + std::to_string(4 + states.size()) + " 0 R ";
    }
    if (dark.Alpha != 255 && !modules.Rects().empty()) {
        states.push_back(Opacity(dark.Alpha));
        resources += "/Dark " + std::to_string(4 + states.size()) + " 0 R ";
    }
    if (!resources.empty()) {
        resources = "/ExtGState << " + resources + ">> ";
    }
    if (logo != nullptr) {
        const std::size_t image = 5 + states.size();
        for (std::string& stream : LogoImages(logo->Picture, image)) {
            states.push_back(std::move(stream));
        }
        resources += "/XObject << /Logo " + std::to_string(image) + " 0 R >> ";
    }
    const std::string pageWidth = PrintSize::Number(modulePoints * modules.Width());
    const std::string pageHeight = PrintSize::Number(modulePoints * modules.Height());

    std::string file;
    std::vector<std::size_t> offsets;
    auto object = [&](const std::string& body) {
        offsets.push_back(file.size());
        file += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    // The comment of bytes above 127 tells transfer programs that the file is binary.
    file += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + pageWidth + " " + pageHeight +
           "] /Resources << " + resources + ">> /Contents 4 0 R >>");
    offsets.push_back(file.size());
    file +=
        "4 0 obj\n<< /Length " + std::to_string(packedSize) + " /Filter /FlateDecode >>\nstream\n";
    file.append(reinterpret_cast<const char*>(packed.data()), packedSize);
    file += "\nendstream\nendobj\n";
    for (const std::string& state : states) {
        object(state);
    }

    // The cross-reference table: entries of exactly 20 bytes (ISO 32000-1 7.5.4).
    const std::size_t table = file.size();
    file += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(offset));
        file.append(entry, 20);
    }
    file += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
            " /Root 1 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
    return file;
}

} // namespace ostrel::render
