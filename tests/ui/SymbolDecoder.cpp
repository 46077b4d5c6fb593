#include "SymbolDecoder.h"

// ZBar's C++ headers before ZXing's: ZXing defines macros named like ZBar's exception classes.
#include <zbar.h>

#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>

#include <memory>
#include <vector>

namespace ostrel::test {

namespace {

// Grey, 8 bits per pixel, rows without padding.
std::vector<std::uint8_t> GreyPixels(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
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

std::optional<Decoded> DecodeWithZXing(const QImage& picture) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> pixels = GreyPixels(picture);
    const ZXing::ImageView view(pixels.data(), picture.width(), picture.height(),
                                ZXing::ImageFormat::Lum);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid()) {
        return std::nullopt;
    }
    const ZXing::ByteArray& bytes = result.bytes();
    return Decoded{std::string(bytes.begin(), bytes.end()), result.text()};
}

std::optional<std::string> DecodeWithZBar(const QImage& picture) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> pixels = GreyPixels(picture);
    const std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)>
        scanner(zbar::zbar_image_scanner_create(), zbar::zbar_image_scanner_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    const std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> image(
        zbar::zbar_image_create(), zbar::zbar_image_destroy);
    zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(picture.width()),
                              static_cast<unsigned>(picture.height()));
    zbar::zbar_image_set_data(image.get(), pixels.data(), pixels.size(), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), image.get()) <= 0) {
        return std::nullopt;
    }
    const zbar::zbar_symbol_t* const symbol = zbar::zbar_image_first_symbol(image.get());
    if (symbol == nullptr) {
        return std::nullopt;
    }
    return std::string(zbar::zbar_symbol_get_data(symbol),
                       zbar::zbar_symbol_get_data_length(symbol));
}

} // namespace ostrel::test
