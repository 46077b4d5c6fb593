// Edge paths of the picture module: margins that differ on every side, the three renditions the
// windows make (177 x 169 clipboard, 533 x 533 and 169 x 169 files) checked pixel by pixel for
// the module they show, and a stretch that must never read outside its source.
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using mdlTilvane::MatrixToPicture;
using mdlTilvane::StretchPicture;

QRgb PaletteColour(std::uint8_t byte) {
    if (byte == 0) {
        return qRgb(255, 255, 255);
    }
    return byte == 2 ? qRgb(0x80, 0x80, 0x80) : qRgb(0, 0, 0);
}

// A block of random bytes drawn with four different margins: the block sits at (left, top),
// every other pixel is white, and the picture is exactly as large as block plus margins.
TEST(PictureEdgePathTest, EveryMarginOnItsOwnSide) {
    std::mt19937 rng(3);
    struct Margins {
        int Left, Top, Right, Bottom;
    };
    const Margins cases[] = {{1, 2, 3, 4}, {7, 0, 0, 3}, {0, 5, 2, 0}, {4, 4, 1, 1}, {0, 0, 9, 0}};
    for (const auto& m : cases) {
        const int width = 12;
        const int height = 7;
        std::vector<std::uint8_t> block(static_cast<std::size_t>(width * height));
        for (auto& b : block) {
            b = static_cast<std::uint8_t>(rng() % 4);
        }
        const QImage picture =
            MatrixToPicture(block.data(), width, height, m.Left, m.Top, m.Right, m.Bottom);
        ASSERT_EQ(picture.size(), QSize(m.Left + width + m.Right, m.Top + height + m.Bottom));
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const int bx = x - m.Left;
                const int by = y - m.Top;
                const bool inside = bx >= 0 && bx < width && by >= 0 && by < height;
                const QRgb expected =
                    inside ? PaletteColour(block[static_cast<std::size_t>(by * width + bx)])
                           : qRgb(255, 255, 255);
                ASSERT_EQ(picture.pixel(x, y), expected)
                    << "margins " << m.Left << "," << m.Top << "," << m.Right << "," << m.Bottom
                    << " pixel (" << x << ", " << y << ")";
            }
        }
    }
}

// The source pixel under the centre of target pixel t when n source pixels are spread over
// `size` target pixels: the pixel whose span [s, s + 1) holds (t + 1/2) * n / size.
int PixelUnderCentre(int t, int n, int size) {
    const double centre = (t + 0.5) * n / size;
    int s = 0;
    while (s + 1 <= centre) {
        ++s;
    }
    return s;
}

// The renditions of versions 1, 20 and 40 (29, 105 and 185 pixels with the quiet zone) at the
// window's sizes: every target pixel shows the module (or quiet-zone pixel) under its centre. A
// source of all-different colours makes any pixel that takes a neighbour's colour visible; the
// real symbols then show the same mapping module by module.
TEST(PictureEdgePathTest, RenditionsMapEveryPixelToTheModuleUnderIt) {
    clsQRCode qr;
    const std::vector<std::uint8_t> text(12, 'A');
    const QSize renditions[] = {{177, 169}, {533, 533}, {169, 169}};
    for (const std::int32_t version : {1, 20, 40}) {
        const QImage symbol = qr.Encode(text, 12, version, 3, 0);
        ASSERT_FALSE(symbol.isNull());
        const int n = 17 + 4 * version + 8;
        ASSERT_EQ(symbol.size(), QSize(n, n));
        QImage coloured(n, n, QImage::Format_RGB32);
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                coloured.setPixel(x, y, qRgb(x, y, 0x5A));
            }
        }
        for (const QSize size : renditions) {
            const QImage a = StretchPicture(coloured, size.width(), size.height());
            const QImage b = StretchPicture(symbol, size.width(), size.height());
            ASSERT_EQ(a.size(), size);
            ASSERT_EQ(b.size(), size);
            for (int y = 0; y < size.height(); ++y) {
                const int sy = PixelUnderCentre(y, n, size.height());
                for (int x = 0; x < size.width(); ++x) {
                    const int sx = PixelUnderCentre(x, n, size.width());
                    ASSERT_EQ(a.pixel(x, y), qRgb(sx, sy, 0x5A))
                        << "version " << version << " at " << size.width() << "x" << size.height()
                        << ", pixel (" << x << ", " << y << ")";
                    ASSERT_EQ(b.pixel(x, y), symbol.pixel(sx, sy))
                        << "version " << version << " at " << size.width() << "x" << size.height()
                        << ", pixel (" << x << ", " << y << ")";
                }
            }
        }
    }
}

// The source lies inside a larger buffer whose extra columns and rows (before and after) hold a
// colour the source never has: no stretched pixel may ever show it, at any target size.
TEST(PictureEdgePathTest, StretchNeverReadsOutsideItsSource) {
    const QRgb poison = qRgb(0x12, 0x34, 0x56);
    std::mt19937 rng(11);
    for (const int n : {1, 2, 3, 29, 105, 185}) {
        const int pad = 8;
        const int stride = n + 2 * pad;
        std::vector<QRgb> buffer(static_cast<std::size_t>(stride * (n + 2 * pad)), poison);
        QRgb* const origin = buffer.data() + pad * stride + pad;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                origin[y * stride + x] = (x + y) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            }
        }
        // A view of the n x n square inside the buffer (no copy: RGB32 needs no conversion).
        const QImage source(reinterpret_cast<const uchar*>(origin), n, n,
                            static_cast<qsizetype>(stride * sizeof(QRgb)), QImage::Format_RGB32);
        std::vector<QSize> sizes = {{1, 1},     {1, 600},           {600, 1},
                                    {n, n},     {n + 1, n - 1 + 1}, {177, 169},
                                    {533, 533}, {169, 169},         {2 * n + 1, 3 * n - 1}};
        for (int k = 0; k < 40; ++k) {
            sizes.emplace_back(1 + static_cast<int>(rng() % 700),
                               1 + static_cast<int>(rng() % 700));
        }
        for (const QSize size : sizes) {
            const QImage out = StretchPicture(source, size.width(), size.height());
            ASSERT_EQ(out.size(), size);
            for (int y = 0; y < size.height(); ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(out.constScanLine(y));
                for (int x = 0; x < size.width(); ++x) {
                    ASSERT_NE(row[x] & 0xFFFFFF, poison & 0xFFFFFF)
                        << n << " pixels to " << size.width() << "x" << size.height() << ": pixel ("
                        << x << ", " << y << ") read outside the source";
                }
            }
        }
    }
}

} // namespace
} // namespace ostrel
