#include "mdlTilvane.h"

#include <cstring>
#include <limits>

namespace ostrel::mdlTilvane {

namespace {

// Palette of the symbol bitmap: 0 white (light modules and margins), 1 black (dark modules),
// 2 mid grey, every other value black. Made once; every bitmap shares it.
const QList<QRgb>& SymbolPalette() {
    static const QList<QRgb> palette = [] {
        QList<QRgb> colours(256, qRgb(0, 0, 0));
        colours[0] = qRgb(0xFF, 0xFF, 0xFF);
        colours[2] = qRgb(0x80, 0x80, 0x80);
        return colours;
    }();
    return palette;
}

} // namespace

QImage MatrixToPicture(const std::uint8_t* matrix, std::int32_t width, std::int32_t height,
                       std::int32_t leftMargin, std::int32_t topMargin, std::int32_t rightMargin,
                       std::int32_t bottomMargin) {
    if (matrix == nullptr || width < 0 || height < 0 || leftMargin < 0 || topMargin < 0 ||
        rightMargin < 0 || bottomMargin < 0) {
        return {};
    }
    const std::int64_t w64 = static_cast<std::int64_t>(leftMargin) + width + rightMargin;
    const std::int64_t h64 = static_cast<std::int64_t>(topMargin) + height + bottomMargin;
    constexpr std::int64_t kMaxSide = 32767; // QImage's own limit per side
    if (w64 < 1 || h64 < 1 || w64 > kMaxSide || h64 > kMaxSide) {
        return {};
    }
    QImage bitmap(static_cast<int>(w64), static_cast<int>(h64), QImage::Format_Indexed8);
    if (bitmap.isNull()) {
        return {};
    }
    bitmap.setColorTable(SymbolPalette());
    // The margins white (0), the matrix rows copied in between; the bits are reached once.
    std::uint8_t* const bits = bitmap.bits();
    const auto pitch = static_cast<std::size_t>(bitmap.bytesPerLine());
    const auto left = static_cast<std::size_t>(leftMargin);
    const auto w = static_cast<std::size_t>(width);
    std::memset(bits, 0, pitch * static_cast<std::size_t>(topMargin));
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* line = bits + pitch * static_cast<std::size_t>(topMargin + y);
        std::memset(line, 0, left);
        std::memcpy(line + left, matrix + static_cast<std::size_t>(y) * w, w);
        std::memset(line + left + w, 0, pitch - left - w);
    }
    std::memset(bits + pitch * static_cast<std::size_t>(topMargin + height), 0,
                pitch * static_cast<std::size_t>(bottomMargin));
    return BitmapToPicture(bitmap, true);
}

QImage BitmapToPicture(const QImage& bitmap, bool /*own*/) {
    if (bitmap.isNull()) {
        return {};
    }
    return bitmap;
}

QImage StretchPicture(const QImage& picture, std::int32_t width, std::int32_t height) {
    if (picture.isNull() || width < 1 || height < 1) {
        return {};
    }
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    QImage target(width, height, QImage::Format_RGB32);
    if (source.isNull() || target.isNull()) {
        return {};
    }
    const std::int64_t sw = source.width();
    const std::int64_t sh = source.height();
    // Every target pixel takes the source pixel under its centre, so each source pixel becomes
    // a block of whole target pixels.
    std::vector<int> column(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x) {
        column[static_cast<std::size_t>(x)] = static_cast<int>(
            (2 * static_cast<std::int64_t>(x) + 1) * sw / (2 * static_cast<std::int64_t>(width)));
    }
    for (std::int32_t y = 0; y < height; ++y) {
        const auto sy = static_cast<int>((2 * static_cast<std::int64_t>(y) + 1) * sh /
                                         (2 * static_cast<std::int64_t>(height)));
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (std::int32_t x = 0; x < width; ++x) {
            out[x] = in[column[static_cast<std::size_t>(x)]];
        }
    }
    return target;
}

} // namespace ostrel::mdlTilvane
