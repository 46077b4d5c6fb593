#include "PeerReaders.h"

// ZBar's C++ headers before ZXing's: ZXing/Error.h defines a macro UnsupportedError that breaks
// ZBar's headers.
#include <zbar.h>

#include <ZXing/ReadBarcode.h>

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel::test {

namespace {

// Grey, 8 bits per pixel, rows without padding.
std::vector<std::uint8_t> GreyPixels(const QImage& grey) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(grey.width()) *
                                     static_cast<std::size_t>(grey.height()));
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* const row = grey.constScanLine(y);
        std::copy(row, row + grey.width(),
                  pixels.begin() + static_cast<std::ptrdiff_t>(y) * grey.width());
    }
    return pixels;
}

} // namespace

std::optional<ZXingReading> ReadWithZXing(const QImage& picture, const ZXingOptions& options,
                                          const std::string& characterSet) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    if (grey.width() < options.MinimumWidth) {
        const int factor = (options.MinimumWidth + grey.width() - 1) / grey.width();
        grey = grey.scaled(grey.width() * factor, grey.height() * factor, Qt::IgnoreAspectRatio,
                           Qt::FastTransformation);
    }
    const std::vector<std::uint8_t> pixels = GreyPixels(grey);
    const ZXing::ImageView view(pixels.data(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    hints.setTryRotate(options.TryRotate);
    if (!characterSet.empty()) {
        hints.setCharacterSet(characterSet);
    }
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid()) {
        return std::nullopt;
    }
    const ZXing::ByteArray& bytes = result.bytes();
    return ZXingReading{std::string(bytes.begin(), bytes.end()),
                        result.text(),
                        result.hasECI(),
                        result.ecLevel(),
                        result.isMirrored(),
                        result.sequenceIndex(),
                        result.sequenceSize(),
                        result.sequenceId(),
                        result.symbologyIdentifier()};
}

std::optional<std::string> ReadWithZBar(const QImage& picture, ZBarData data) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    std::vector<std::uint8_t> pixels = GreyPixels(grey);
    const std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)>
        scanner(zbar::zbar_image_scanner_create(), zbar::zbar_image_scanner_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    if (data == ZBarData::Binary) {
        zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY,
                                            1);
    }
    const std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> image(
        zbar::zbar_image_create(), zbar::zbar_image_destroy);
    zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(grey.width()),
                              static_cast<unsigned>(grey.height()));
    zbar::zbar_image_set_data(image.get(), pixels.data(), pixels.size(), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), image.get()) <= 0) {
        return std::nullopt;
    }
    for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image.get());
         symbol != nullptr; symbol = zbar::zbar_symbol_next(symbol)) {
        if (zbar::zbar_symbol_get_type(symbol) == zbar::ZBAR_QRCODE) {
            return std::string(zbar::zbar_symbol_get_data(symbol),
                               zbar::zbar_symbol_get_data_length(symbol));
        }
    }
    return std::nullopt;
}

QImage RenderSvg(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

} // namespace ostrel::test
