#include "CliOutput.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ostrel::cli {

QByteArray MatrixText(const clsQRCode::Symbol& symbol) {
    QByteArray text;
    text.reserve(static_cast<qsizetype>(symbol.Side) * (symbol.Side + 1));
    for (std::int32_t y = 0; y < symbol.Side; ++y) {
        for (std::int32_t x = 0; x < symbol.Side; ++x) {
            text.append(symbol.At(x, y) != 0 ? '1' : '0');
        }
        text.append('\n');
    }
    return text;
}

QByteArray SvgText(const clsQRCode::Symbol& symbol, std::int32_t scale) {
    const QByteArray units = QByteArray::number(symbol.Side + 2 * QuietZone);
    const QByteArray pixels = QByteArray::number((symbol.Side + 2 * QuietZone) * scale);
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + pixels +
           "\" height=\"" + pixels + "\" viewBox=\"0 0 " + units + " " + units +
           "\" shape-rendering=\"crispEdges\">\n";
    svg += "<rect width=\"" + units + "\" height=\"" + units + "\" fill=\"#ffffff\"/>\n";
    svg += "<path fill=\"#000000\" d=\"";
    // One closed rectangle per horizontal run of dark modules.
    for (std::int32_t y = 0; y < symbol.Side; ++y) {
        std::int32_t x = 0;
        while (x < symbol.Side) {
            if (symbol.At(x, y) == 0) {
                ++x;
                continue;
            }
            const std::int32_t start = x;
            while (x < symbol.Side && symbol.At(x, y) != 0) {
                ++x;
            }
            const QByteArray run = QByteArray::number(x - start);
            svg += "M" + QByteArray::number(start + QuietZone) + " " +
                   QByteArray::number(y + QuietZone) + "h" + run + "v1h-" + run + "z";
        }
    }
    svg += "\"/>\n</svg>\n";
    return svg;
}

QImage ScaledPicture(const QImage& picture, std::int32_t scale) {
    if (picture.isNull() || scale < 1) {
        return {};
    }
    const int width = picture.width() * scale;
    const int height = picture.height() * scale;
    QImage scaled(width, height, QImage::Format_Mono);
    if (scaled.isNull()) {
        return {};
    }
    scaled.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    scaled.fill(0);
    // Build the first pixel row of each module row, then copy it to the other scale - 1 rows.
    const auto rowBytes = static_cast<std::size_t>(scaled.bytesPerLine());
    for (int sy = 0; sy < picture.height(); ++sy) {
        const int top = sy * scale;
        for (int sx = 0; sx < picture.width(); ++sx) {
            if (qGray(picture.pixel(sx, sy)) >= 128) {
                continue;
            }
            for (int x = sx * scale; x < (sx + 1) * scale; ++x) {
                scaled.setPixel(x, top, 1);
            }
        }
        for (int y = top + 1; y < top + scale; ++y) {
            std::memcpy(scaled.scanLine(y), scaled.constScanLine(top), rowBytes);
        }
    }
    return scaled;
}

QByteArray PictureFile(const QImage& picture, OutputFormat format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format == OutputFormat::Png ? "png" : "bmp");
    if (!writer.write(picture)) {
        return {};
    }
    return data;
}

std::string WriteOutput(const std::optional<std::string>& path, const QByteArray& data) {
    if (!path || *path == "-") {
        if (std::fwrite(data.constData(), 1, static_cast<std::size_t>(data.size()), stdout) !=
                static_cast<std::size_t>(data.size()) ||
            std::fflush(stdout) != 0) {
            return std::string("cannot write to standard output: ") + std::strerror(errno);
        }
        return {};
    }
    const QString name = QString::fromStdString(*path);
    const QFileInfo info(name);
    if (info.exists() && info.isDir()) {
        return "cannot write '" + *path + "': it is a folder";
    }
    if (info.exists() && !info.isFile()) {
        // A device or a pipe (/dev/stdout, a FIFO): nothing to replace, so write straight to it.
        QFile device(name);
        if (!device.open(QIODevice::WriteOnly) || device.write(data) != data.size() ||
            !device.flush()) {
            return "cannot write '" + *path + "': " + device.errorString().toStdString();
        }
        return {};
    }
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        return "cannot write '" + *path + "': " + file.errorString().toStdString();
    }
    if (file.write(data) != data.size()) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return "cannot write '" + *path + "': " + reason;
    }
    if (!file.commit()) {
        return "cannot write '" + *path + "': " + file.errorString().toStdString();
    }
    return {};
}

} // namespace ostrel::cli
