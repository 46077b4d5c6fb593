#include "PictureRenderer.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ostrel::cli {

namespace {

// Module (x, y) of the symbol seen with a margin: x and y count from the margin's corner.
bool Dark(const clsQRCode::Symbol& symbol, std::int32_t margin, std::int32_t x, std::int32_t y) {
    return symbol.At(x - margin, y - margin) != 0;
}

QByteArray HexColour(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.Red, colour.Green, colour.Blue);
    return QByteArray(text, 7);
}

// The fill of an SVG shape: the colour and, when it is not opaque, its opacity.
QByteArray Fill(Colour colour) {
    QByteArray fill = "fill=\"" + HexColour(colour) + "\"";
    if (colour.Alpha != 255) {
        fill += " fill-opacity=\"" + QByteArray::number(colour.Alpha / 255.0, 'g', 3) + "\"";
    }
    return fill;
}

} // namespace

QByteArray SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin,
                   Colour dark, Colour light, double unitsPerModule, std::string_view unit,
                   int decimals) {
    const std::int32_t width = symbol.Columns() + 2 * margin;
    const std::int32_t height = symbol.Rows() + 2 * margin;
    const QByteArray unitsWide = QByteArray::number(width);
    const QByteArray unitsHigh = QByteArray::number(height);
    // The size a viewer or a word processor shows; the viewBox keeps the modules as units.
    const auto shown = [&](std::int32_t modules) {
        return unit.empty()
                   ? QByteArray::number(static_cast<qint64>(modules) * scale)
                   : QByteArray::fromStdString(
                         PrintSize::Number(modules * unitsPerModule, decimals) + std::string(unit));
    };
    const QByteArray pixelsWide = shown(width);
    const QByteArray pixelsHigh = shown(height);
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + pixelsWide +
           "\" height=\"" + pixelsHigh + "\" viewBox=\"0 0 " + unitsWide + " " + unitsHigh +
           "\" shape-rendering=\"crispEdges\">\n";
    svg += "<rect width=\"" + unitsWide + "\" height=\"" + unitsHigh + "\" " + Fill(light) + "/>\n";
    // Qt SVG refuses a path of more than 32767 elements (five per run here), and the largest
    // symbols have some 8000 runs: a new path every RunsPerPath runs keeps every renderer drawing.
    constexpr int RunsPerPath = 4096;
    int runs = 0;
    svg += "<path " + Fill(dark) + " d=\"";
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
            const QByteArray run = QByteArray::number(x - start);
            if (runs++ == RunsPerPath) {
                svg += "\"/>\n<path " + Fill(dark) + " d=\"";
                runs = 1;
            }
            svg += "M" + QByteArray::number(start + margin) + " " + QByteArray::number(y + margin) +
                   "h" + run + "v1h-" + run + "z";
        }
    }
    svg += "\"/>\n</svg>\n";
    return svg;
}

QImage SymbolPicture(const clsQRCode::Symbol& symbol, std::int32_t scale, std::int32_t margin) {
    const std::int64_t modulesWide =
        static_cast<std::int64_t>(symbol.Columns()) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t modulesHigh =
        static_cast<std::int64_t>(symbol.Rows()) + 2 * static_cast<std::int64_t>(margin);
    const std::int64_t pixelsWide = modulesWide * scale;
    const std::int64_t pixelsHigh = modulesHigh * scale;
    if (scale < 1 || margin < 0 || pixelsWide <= 0 || pixelsHigh <= 0 ||
        std::max(pixelsWide, pixelsHigh) > 0x7FFFFFFF) {
        return {};
    }
    QImage picture(static_cast<int>(pixelsWide), static_cast<int>(pixelsHigh), QImage::Format_Mono);
    if (picture.isNull()) {
        return {};
    }
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    // Every byte, the padding at the end of each row included: QImage::fill leaves the padding
    // as the allocator handed it over, and the BMP file carries the padding, so the same symbol
    // would give different files from run to run.
    std::memset(picture.bits(), 0, static_cast<std::size_t>(picture.sizeInBytes()));
    // Build the first pixel row of each module row, then copy it to the other scale - 1 rows.
    const auto rowBytes = static_cast<std::size_t>(picture.bytesPerLine());
    for (std::int32_t my = 0; my < modulesHigh; ++my) {
        const int top = my * scale;
        for (std::int32_t mx = 0; mx < modulesWide; ++mx) {
            if (!Dark(symbol, margin, mx, my)) {
                continue;
            }
            for (int x = mx * scale; x < (mx + 1) * scale; ++x) {
                picture.setPixel(x, top, 1);
            }
        }
        for (int y = top + 1; y < top + scale; ++y) {
            std::memcpy(picture.scanLine(y), picture.constScanLine(top), rowBytes);
        }
    }
    return picture;
}

QByteArray BmpFile(const QImage& picture) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (picture.isNull() || !writer.write(picture)) {
        return {};
    }
    return data;
}

} // namespace ostrel::cli
