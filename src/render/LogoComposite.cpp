#include "LogoComposite.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>

namespace ostrel::render {

namespace {

// What a pixel of the composite needs: the symbol, its logo, the module size and the colours.
struct Canvas {
    const clsQRCode::Symbol& Symbol;
    const LogoOverlay& Logo;
    std::int32_t Scale;
    std::int32_t Margin;
    Colour Dark;
    Colour Light;
    const CaptionBand* Band; // the caption's rows under the quiet zone, or none

    std::int64_t Width() const { return std::int64_t{Symbol.Columns() + 2 * Margin} * Scale; }
    std::int64_t SymbolHeight() const { return std::int64_t{Symbol.Rows() + 2 * Margin} * Scale; }
    std::int64_t Height() const { return SymbolHeight() + (Band != nullptr ? Band->Rows : 0); }
};

// A pixel of the caption's band: the dark colour over the light one by the text's coverage.
Colour BandPixelAt(const Canvas& c, std::int64_t px, std::int64_t py) {
    const auto at = static_cast<std::size_t>((py - c.SymbolHeight()) * c.Width() + px);
    const int cover = at < c.Band->Coverage.size() ? c.Band->Coverage[at] : 0;
    auto mix = [cover](std::uint8_t dark, std::uint8_t light) {
        return static_cast<std::uint8_t>((dark * cover + light * (255 - cover) + 127) / 255);
    };
    return {mix(c.Dark.Red, c.Light.Red), mix(c.Dark.Green, c.Light.Green),
            mix(c.Dark.Blue, c.Light.Blue), mix(c.Dark.Alpha, c.Light.Alpha)};
}

// The picture's pixel (straight alpha) over the ground colour.
Colour Over(const std::uint8_t* pixel, Colour ground) {
    const double a = pixel[3] / 255.0;
    const double groundAlpha = ground.Alpha / 255.0 * (1 - a);
    const double alpha = a + groundAlpha;
    if (alpha <= 0) {
        return {0, 0, 0, 0};
    }
    auto mix = [&](std::uint8_t top, std::uint8_t bottom) {
        return static_cast<std::uint8_t>(std::lround((top * a + bottom * groundAlpha) / alpha));
    };
    return {mix(pixel[0], ground.Red), mix(pixel[1], ground.Green), mix(pixel[2], ground.Blue),
            static_cast<std::uint8_t>(std::lround(alpha * 255))};
}

bool FunctionAt(const LogoOverlay& logo, std::int32_t columns, std::int32_t x, std::int32_t y) {
    const auto at = static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(x);
    return at < logo.Function.size() && logo.Function[at] != 0;
}

Colour PixelAt(const Canvas& c, std::int64_t px, std::int64_t py) {
    if (py >= c.SymbolHeight()) {
        return BandPixelAt(c, px, py);
    }
    const auto mx = static_cast<std::int32_t>(px / c.Scale) - c.Margin;
    const auto my = static_cast<std::int32_t>(py / c.Scale) - c.Margin;
    const Colour module = c.Symbol.At(mx, my) != 0 ? c.Dark : c.Light;
    const LogoOverlay& logo = c.Logo;
    const bool inLogo =
        mx >= logo.X && mx < logo.X + logo.Side && my >= logo.Y && my < logo.Y + logo.Side;
    if (!inLogo || logo.Pixels <= 0 || FunctionAt(logo, c.Symbol.Columns(), mx, my)) {
        return module;
    }
    const std::int64_t span = std::int64_t{logo.Side} * c.Scale;
    const std::int64_t sx = (px - std::int64_t{c.Margin + logo.X} * c.Scale) * logo.Pixels / span;
    const std::int64_t sy = (py - std::int64_t{c.Margin + logo.Y} * c.Scale) * logo.Pixels / span;
    const std::size_t at = static_cast<std::size_t>((sy * logo.Pixels + sx) * 4);
    return at + 4 <= logo.Rgba.size() ? Over(logo.Rgba.data() + at, c.Light) : c.Light;
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void AppendChunk(std::string& out, const char (&type)[5], const std::string& data) {
    AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out += type;
    out += data;
    const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data() + start),
                           static_cast<uInt>(out.size() - start));
    AppendBigEndian(out, static_cast<std::uint32_t>(crc));
}

std::uint32_t PerMetre(std::int32_t dpi) {
    return static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
}

// An RGBA PNG of width x height pixels whose rows (each a filter byte 0 and the pixels) are raw.
std::string RgbaPng(std::uint32_t width, std::uint32_t height, const std::string& raw,
                    std::optional<std::int32_t> dpi) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string compressed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  6) != Z_OK) {
        return {};
    }
    compressed.resize(size);
    std::string header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, deflate, no interlace
    std::string file("\x89PNG\r\n\x1a\n", 8);
    AppendChunk(file, "IHDR", header);
    if (dpi) {
        std::string physical;
        AppendBigEndian(physical, PerMetre(*dpi));
        AppendBigEndian(physical, PerMetre(*dpi));
        physical += '\x01';
        AppendChunk(file, "pHYs", physical);
    }
    AppendChunk(file, "IDAT", compressed);
    AppendChunk(file, "IEND", {});
    return file;
}

void AppendPixel(std::string& raw, Colour colour) {
    raw += static_cast<char>(colour.Red);
    raw += static_cast<char>(colour.Green);
    raw += static_cast<char>(colour.Blue);
    raw += static_cast<char>(colour.Alpha);
}

std::string Base64(const std::string& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t word = static_cast<std::uint8_t>(bytes[i]) << 16;
        word |= i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) << 8 : 0;
        word |= i + 2 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 2]) : 0;
        out += kDigits[(word >> 18) & 63];
        out += kDigits[(word >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(word >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[word & 63] : '=';
    }
    return out;
}

std::string HexColour(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.Red, colour.Green, colour.Blue);
    std::string fill = "fill=\"";
    fill += text;
    fill += '"';
    if (colour.Alpha != 255) {
        fill += " fill-opacity=\"" + std::to_string(colour.Alpha / 255.0) + '"';
    }
    return fill;
}

// An SVG logo's content as a group in the drawing, its own view box (or width and height)
// scaled into the square and centred there; empty when its size is unknown. A group, not a
// nested <svg> element: Qt SVG (SVG Tiny 1.2), which --verify and many viewers draw with, gives
// nested viewports no position or scale.
std::string NestedSvg(const std::string& svg, double x, double y, double side) {
    static const std::regex root("<svg[\\s>]");
    std::smatch found;
    if (!std::regex_search(svg, found, root)) {
        return {};
    }
    const std::size_t start = static_cast<std::size_t>(found.position(0));
    const std::size_t end = svg.find('>', start);
    const std::size_t close = svg.rfind("</svg>");
    if (end == std::string::npos || close == std::string::npos || close < end ||
        svg[end - 1] == '/') {
        return {};
    }
    const std::string attributes = svg.substr(start, end - start);
    static const std::regex viewBox(
        "viewBox=\"\\s*([-0-9.eE]+)[\\s,]+([-0-9.eE]+)[\\s,]+([0-9.eE]+)[\\s,]+([0-9.eE]+)\\s*\"");
    static const std::regex width("\\swidth=\"([0-9.]+)(px)?\"");
    static const std::regex height("\\sheight=\"([0-9.]+)(px)?\"");
    std::smatch box;
    std::smatch w;
    std::smatch h;
    double minX = 0;
    double minY = 0;
    double boxWidth = 0;
    double boxHeight = 0;
    if (std::regex_search(attributes, box, viewBox)) {
        minX = std::stod(box[1]);
        minY = std::stod(box[2]);
        boxWidth = std::stod(box[3]);
        boxHeight = std::stod(box[4]);
    } else if (std::regex_search(attributes, w, width) &&
               std::regex_search(attributes, h, height)) {
        boxWidth = std::stod(w[1]);
        boxHeight = std::stod(h[1]);
    }
    if (!(boxWidth > 0 && boxHeight > 0)) {
        return {};
    }
    const double scale = side / std::max(boxWidth, boxHeight);
    const double dx = x + (side - boxWidth * scale) / 2 - minX * scale;
    const double dy = y + (side - boxHeight * scale) / 2 - minY * scale;
    char transform[160];
    std::snprintf(transform, sizeof transform, "<g transform=\"translate(%.6g %.6g) scale(%.6g)\">",
                  dx, dy, scale);
    std::string group = transform;
    group += svg.substr(end + 1, close - end - 1);
    group += "</g>";
    return group;
}

// The function modules of the logo's square drawn over the picture, a path per colour.
std::string FunctionPaths(const clsQRCode::Symbol& symbol, const LogoOverlay& logo,
                          std::int32_t margin, Colour dark, Colour light) {
    std::string paths[2];
    for (std::int32_t y = logo.Y; y < logo.Y + logo.Side; ++y) {
        for (std::int32_t x = logo.X; x < logo.X + logo.Side; ++x) {
            if (FunctionAt(logo, symbol.Columns(), x, y)) {
                std::string& path = paths[symbol.At(x, y) != 0 ? 1 : 0];
                path += 'M';
                path += std::to_string(x + margin);
                path += ' ';
                path += std::to_string(y + margin);
                path += "h1v1h-1z";
            }
        }
    }
    std::string out;
    for (int dark_ = 0; dark_ < 2; ++dark_) {
        if (!paths[dark_].empty()) {
            out +=
                "<path " + HexColour(dark_ == 1 ? dark : light) + " d=\"" + paths[dark_] + "\"/>\n";
        }
    }
    return out;
}

} // namespace

std::string LogoComposite::Png(const clsQRCode::Symbol& symbol, const LogoOverlay& logo,
                               std::int32_t scale, std::int32_t margin, Colour dark, Colour light,
                               std::optional<std::int32_t> dpi, const CaptionBand* band) {
    const Canvas canvas{symbol, logo, scale, margin, dark, light, band};
    const std::int64_t width = canvas.Width();
    const std::int64_t height = canvas.Height();
    if (scale <= 0 || width * height > MaxPixels) {
        return {};
    }
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height * (1 + 4 * width)));
    for (std::int64_t py = 0; py < height; ++py) {
        raw += '\0';
        for (std::int64_t px = 0; px < width; ++px) {
            AppendPixel(raw, PixelAt(canvas, px, py));
        }
    }
    return RgbaPng(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), raw, dpi);
}

std::string LogoComposite::Bmp(const clsQRCode::Symbol& symbol, const LogoOverlay& logo,
                               std::int32_t scale, std::int32_t margin,
                               std::optional<std::int32_t> dpi, const CaptionBand* band) {
    const Canvas canvas{symbol, logo, scale, margin, Black, White, band};
    const std::int64_t width = canvas.Width();
    const std::int64_t height = canvas.Height();
    if (scale <= 0 || width * height > MaxPixels) {
        return {};
    }
    const std::int64_t rowBytes = (3 * width + 3) / 4 * 4;
    const auto imageBytes = static_cast<std::uint32_t>(rowBytes * height);
    constexpr std::uint32_t kHeaderBytes = 54;
    constexpr std::int32_t kDefaultDpi = 100; // what the tool's bitmaps state without --dpi
    std::string file = "BM";
    AppendLittleEndian(file, kHeaderBytes + imageBytes, 4);
    AppendLittleEndian(file, 0, 4);
    AppendLittleEndian(file, kHeaderBytes, 4);
    AppendLittleEndian(file, 40, 4);
    AppendLittleEndian(file, static_cast<std::uint32_t>(width), 4);
    AppendLittleEndian(file, static_cast<std::uint32_t>(height), 4);
    AppendLittleEndian(file, 1, 2);
    AppendLittleEndian(file, 24, 2);
    AppendLittleEndian(file, 0, 4);
    AppendLittleEndian(file, imageBytes, 4);
    AppendLittleEndian(file, PerMetre(dpi.value_or(kDefaultDpi)), 4);
    AppendLittleEndian(file, PerMetre(dpi.value_or(kDefaultDpi)), 4);
    AppendLittleEndian(file, 0, 4); // colours in the palette: none
    AppendLittleEndian(file, 0, 4); // important colours: all
    for (std::int64_t py = height - 1; py >= 0; --py) {
        const std::size_t rowStart = file.size();
        for (std::int64_t px = 0; px < width; ++px) {
            const Colour pixel = PixelAt(canvas, px, py);
            file += static_cast<char>(pixel.Blue);
            file += static_cast<char>(pixel.Green);
            file += static_cast<char>(pixel.Red);
        }
        file.append(static_cast<std::size_t>(rowBytes) - (file.size() - rowStart), '\0');
    }
    return file;
}

std::string LogoComposite::LogoPng(const LogoOverlay& logo) {
    std::string raw;
    const auto pixels = static_cast<std::size_t>(logo.Pixels);
    if (logo.Pixels <= 0 || logo.Rgba.size() != pixels * pixels * 4) {
        return {};
    }
    for (std::size_t y = 0; y < pixels; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(logo.Rgba.data() + y * pixels * 4), pixels * 4);
    }
    return RgbaPng(static_cast<std::uint32_t>(pixels), static_cast<std::uint32_t>(pixels), raw,
                   std::nullopt);
}

std::string LogoComposite::Svg(const std::string& drawing, const clsQRCode::Symbol& symbol,
                               const LogoOverlay& logo, std::int32_t margin, Colour dark,
                               Colour light) {
    const std::size_t close = drawing.rfind("</svg>");
    const std::size_t root = drawing.find("<svg");
    if (close == std::string::npos || root == std::string::npos) {
        return {};
    }
    std::string place = "x=\"" + std::to_string(logo.X + margin) + "\" y=\"" +
                        std::to_string(logo.Y + margin) + "\" width=\"" +
                        std::to_string(logo.Side) + "\" height=\"" + std::to_string(logo.Side) +
                        '"';
    std::string picture = logo.Svg.empty()
                              ? std::string()
                              : NestedSvg(logo.Svg, logo.X + margin, logo.Y + margin, logo.Side);
    if (picture.empty()) {
        const std::string uri = "data:image/png;base64," + Base64(LogoPng(logo));
        picture = "<image " + place + " href=\"" + uri + "\" xlink:href=\"" + uri + "\"/>";
    }
    std::string out = drawing.substr(0, root + 4);
    out += " xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    out += drawing.substr(root + 4, close - root - 4);
    out += picture;
    out += '\n';
    out += FunctionPaths(symbol, logo, margin, dark, light);
    out += drawing.substr(close);
    return out;
}

} // namespace ostrel::render
