// Module matrices to pictures, and the nearest-neighbour stretch every enlargement uses.
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel {
namespace {

using mdlTilvane::MatrixToPicture;
using mdlTilvane::StretchPicture;

bool IsWhite(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(255, 255, 255);
}
bool IsBlack(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(0, 0, 0);
}

TEST(MatrixToPictureTest, Version1SymbolWithQuietZone) {
    clsQRCode qr;
    const std::string abc = "abc";
    const auto symbol = qr.EncodeMatrix(
        {reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}, 3, 0, 3, 0);
    ASSERT_TRUE(symbol);
    const QImage picture = MatrixToPicture(symbol->Modules.data(), 24, 24, 4, 4, 1, 1);
    ASSERT_EQ(picture.width(), 29);
    ASSERT_EQ(picture.height(), 29);
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    for (int k = 0; k < 29; ++k) {
        for (int m = 0; m < 4; ++m) {
            EXPECT_TRUE(IsWhite(picture, m, k));      // left margin
            EXPECT_TRUE(IsWhite(picture, k, m));      // top margin
            EXPECT_TRUE(IsWhite(picture, 25 + m, k)); // spare columns + right margin
            EXPECT_TRUE(IsWhite(picture, k, 25 + m)); // spare rows + bottom margin
        }
    }
    EXPECT_TRUE(IsBlack(picture, 4, 4)); // top-left corner of the upper-left finder
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 21; ++x) {
            EXPECT_EQ(IsBlack(picture, x + 4, y + 4), symbol->At(x, y) == 1);
        }
    }
    // The same picture through Encode.
    const QImage encoded =
        qr.Encode({reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()}, 3, 0, 3, 0);
    EXPECT_EQ(encoded.convertToFormat(QImage::Format_RGB32),
              picture.convertToFormat(QImage::Format_RGB32));
}

TEST(MatrixToPictureTest, Version40IsOneHundredEightyFivePixels) {
    clsQRCode qr;
    const std::vector<std::uint8_t> letters(1663, 'a');
    const QImage picture = qr.Encode(letters, 1663, 0, 3, 0);
    EXPECT_EQ(picture.width(), 185);
    EXPECT_EQ(picture.height(), 185);
    EXPECT_TRUE(qr.Encode(letters, 1663, 1, 3, 0).isNull()); // too long for version 1
}

TEST(MatrixToPictureTest, PaletteAndOrientation) {
    // Row 0: 0 1 2 3, row 1: 255 0 0 0; no margins: the picture equals the block.
    const std::vector<std::uint8_t> block = {0, 1, 2, 3, 255, 0, 0, 0};
    const QImage picture = MatrixToPicture(block.data(), 4, 2, 0, 0, 0, 0);
    ASSERT_EQ(picture.size(), QSize(4, 2));
    EXPECT_TRUE(IsWhite(picture, 0, 0));
    EXPECT_TRUE(IsBlack(picture, 1, 0));
    EXPECT_EQ(picture.pixel(2, 0), qRgb(0x80, 0x80, 0x80));
    EXPECT_TRUE(IsBlack(picture, 3, 0));
    EXPECT_TRUE(IsBlack(picture, 0, 1)); // first byte of the second row: not flipped
    EXPECT_TRUE(IsWhite(picture, 1, 1));
}

TEST(MatrixToPictureTest, InvalidArgumentsGiveNoPicture) {
    const std::vector<std::uint8_t> block(16, 1);
    EXPECT_TRUE(MatrixToPicture(nullptr, 4, 4, 0, 0, 0, 0).isNull());
    EXPECT_TRUE(MatrixToPicture(block.data(), -4, 4, 0, 0, 0, 0).isNull());
    EXPECT_TRUE(MatrixToPicture(block.data(), 4, 4, -1, 0, 0, 0).isNull());
    EXPECT_TRUE(MatrixToPicture(block.data(), 0, 0, 0, 0, 0, 0).isNull());
    EXPECT_TRUE(mdlTilvane::BitmapToPicture(QImage(), true).isNull());
    const QImage margins = MatrixToPicture(block.data(), 0, 0, 2, 3, 4, 5);
    EXPECT_EQ(margins.size(), QSize(6, 8)); // margins alone: all white
    EXPECT_TRUE(IsWhite(margins, 5, 7));
}

TEST(MatrixToPictureTest, StretchKeepsModulesAsWholePixelBlocks) {
    // A 29-pixel checkerboard stretched to 533: every target pixel is pure black or white and
    // each source pixel becomes a run of 18 or 19 pixels.
    QImage checker(29, 29, QImage::Format_RGB32);
    for (int y = 0; y < 29; ++y) {
        for (int x = 0; x < 29; ++x) {
            checker.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    const QImage big = StretchPicture(checker, 533, 533);
    ASSERT_EQ(big.size(), QSize(533, 533));
    int run = 1;
    for (int x = 1; x < 533; ++x) {
        EXPECT_TRUE(IsBlack(big, x, 0) || IsWhite(big, x, 0));
        if (big.pixel(x, 0) == big.pixel(x - 1, 0)) {
            ++run;
        } else {
            EXPECT_TRUE(run == 18 || run == 19) << "run " << run << " before x " << x;
            run = 1;
        }
    }
    // Shrinking (version 37 and above into 169 pixels) still gives pure colours.
    const QImage small = StretchPicture(checker, 13, 11);
    ASSERT_EQ(small.size(), QSize(13, 11));
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_TRUE(IsBlack(small, x, y) || IsWhite(small, x, y));
        }
    }
    EXPECT_TRUE(StretchPicture(QImage(), 10, 10).isNull());
    EXPECT_TRUE(StretchPicture(checker, 0, 10).isNull());
}

} // namespace
} // namespace ostrel
