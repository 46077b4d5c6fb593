#pragma once
// The plain picture of a symbol, pixel by pixel from Symbol::At: the reference that the writers'
// row building (bit runs, repeated rows) is checked against.
#include "clsQRCode.h"

#include <QImage>

#include <cstring>

namespace ostrel::test {

// A one-bit picture, index 0 light (white) and 1 dark (black), row padding zeroed.
inline QImage ReferencePicture(const clsQRCode::Symbol& symbol, int scale, int margin) {
    const int width = (symbol.Columns() + 2 * margin) * scale;
    const int height = (symbol.Rows() + 2 * margin) * scale;
    QImage picture(width, height, QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    std::memset(picture.bits(), 0, static_cast<std::size_t>(picture.sizeInBytes()));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (symbol.At(x / scale - margin, y / scale - margin) != 0) {
                picture.setPixel(x, y, 1);
            }
        }
    }
    return picture;
}

} // namespace ostrel::test
