#include "LogoPicture.h"

#include "GuiApplication.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace ostrel::cli {

namespace {

// Opens a reader over the bytes (kept by the caller for the reader's life).
void OpenReader(QBuffer& buffer, QImageReader& reader, const QByteArray& format) {
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    if (!format.isEmpty()) {
        reader.setFormat(format);
    }
}

} // namespace

LogoPicture LogoPicture::Open(const std::string& path) {
    LogoPicture picture;
    picture.m_Path = path;
    const std::string name = "the logo '" + path + "'";
    QFile file(QString::fromStdString(path));
    if (!file.exists()) {
        picture.m_Error = name + " does not exist";
        return picture;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        picture.m_Error = "cannot read " + name + ": " + file.errorString().toStdString();
        return picture;
    }
    if (file.size() > MaxFileBytes) {
        picture.m_Error = name + " is larger than 64 MiB";
        return picture;
    }
    picture.m_Bytes = file.readAll();
    if (picture.m_Bytes.isEmpty()) {
        picture.m_Error = name + " is empty";
        return picture;
    }
    QBuffer buffer(&picture.m_Bytes);
    QImageReader reader;
    OpenReader(buffer, reader, {});
    picture.m_Format = reader.format().toLower();
    picture.m_Size = reader.size();
    const bool known =
        picture.m_Format == "png" || picture.m_Format == "jpeg" || picture.m_Format == "svg";
    // The size from the header, before anything is decoded: a picture too large to decode is
    // refused for its size even when its data is broken as well.
    if (known && !picture.IsSvg() && picture.m_Size.isValid() &&
        (picture.m_Size.width() > MaxSide || picture.m_Size.height() > MaxSide)) {
        picture.m_Error = name + " is " + std::to_string(picture.m_Size.width()) + "x" +
                          std::to_string(picture.m_Size.height()) +
                          " pixels, larger than the 8000x8000 a logo may have";
    } else if (!known || !reader.canRead()) {
        picture.m_Error = name + " is not a PNG, JPEG or SVG picture";
    } else if (!picture.m_Size.isValid() || picture.m_Size.isEmpty()) {
        picture.m_Error = name + " states no size";
    } else if (picture.IsSvg()) {
        // Made here, on the thread that opens the logo first (a batch opens it before its
        // workers start), not on a worker that draws it.
        EnsureGuiApplication();
    }
    return picture;
}

std::vector<std::uint8_t> LogoPicture::Rgba(std::int32_t pixels, std::string& error) const {
    if (!m_Error.empty() || pixels <= 0) {
        error = m_Error.empty() ? "the logo has no pixels to fill" : m_Error;
        return {};
    }
    const QSize fitted = m_Size.scaled(pixels, pixels, Qt::KeepAspectRatio).expandedTo({1, 1});
    QByteArray bytes = m_Bytes;
    QBuffer buffer(&bytes);
    QImageReader reader;
    OpenReader(buffer, reader, m_Format);
    if (IsSvg()) {
        reader.setScaledSize(fitted); // drawn at the size, not scaled after
    }
    QImage image = reader.read();
    if (image.isNull()) {
        error = "cannot decode the logo '" + m_Path + "': " + reader.errorString().toStdString();
        return {};
    }
    image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage square(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        painter.drawImage((pixels - fitted.width()) / 2, (pixels - fitted.height()) / 2, image);
    }
    square = square.convertToFormat(QImage::Format_RGBA8888);
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels) * 4);
    for (int y = 0; y < pixels; ++y) {
        const uchar* row = square.constScanLine(y);
        rgba.insert(rgba.end(), row, row + static_cast<std::ptrdiff_t>(pixels) * 4);
    }
    return rgba;
}

} // namespace ostrel::cli
