// PNG files decoded by Qt (libpng, which checks every CRC and the zlib stream) against the plain
// picture of the symbol: every pixel of every symbology, scale, quiet zone and colour pair.
#include "PngWriter.h"
#include "ReferencePicture.h"
#include "clsSymbolEncoder.h"

#include <QImage>

#include <zlib.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using ostrel::clsSymbolEncoder;
using ostrel::render::Colour;
using ostrel::render::PngWriter;

TEST(PngWriter, EveryPixelIsThePlainPicturesInEveryShapeScaleAndColour) {
    std::mt19937 random(20261209);
    clsSymbolEncoder encoder;
    PngWriter writer; // one writer for every picture, as a batch worker keeps it
    const std::string text = "HELLO 0123456789 https://example.com/ 中文";
    for (int round = 0; round < 90; ++round) {
        clsSymbolEncoder::Settings settings;
        settings.Kind = static_cast<ostrel::Symbology>(round % 3);
        settings.Level = settings.Kind == ostrel::Symbology::RMQR ? 2 : 1;
        const std::size_t length = 1 + random() % (settings.Kind == ostrel::Symbology::QR ? 40 : 9);
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), length);
        const auto outcome = encoder.Encode(bytes, settings);
        ASSERT_TRUE(outcome) << round;
        const int scale = 1 + static_cast<int>(random() % 17);
        const int margin = static_cast<int>(random() % 6);
        const Colour dark{static_cast<std::uint8_t>(random() % 128), 20, 90,
                          static_cast<std::uint8_t>(round % 4 == 0 ? 200 : 255)};
        const Colour light{255, static_cast<std::uint8_t>(128 + random() % 128), 240, 255};
        const std::string file = writer.Write(*outcome.Symbol, scale, margin, dark, light, 300);
        const QImage decoded = QImage::fromData(reinterpret_cast<const uchar*>(file.data()),
                                                static_cast<int>(file.size()), "PNG");
        const QImage reference = ostrel::test::ReferencePicture(*outcome.Symbol, scale, margin);
        ASSERT_EQ(decoded.size(), reference.size()) << "round " << round;
        EXPECT_EQ(decoded.dotsPerMeterX(), 11811) << "round " << round;
        bool same = true;
        for (int y = 0; y < reference.height() && same; ++y) {
            for (int x = 0; x < reference.width() && same; ++x) {
                const Colour want = reference.pixelIndex(x, y) == 1 ? dark : light;
                const QRgb got = decoded.pixel(x, y);
                same = qRed(got) == want.Red && qGreen(got) == want.Green &&
                       qBlue(got) == want.Blue && qAlpha(got) == want.Alpha;
                EXPECT_TRUE(same) << "round " << round << ", scale " << scale << ", margin "
                                  << margin << ", pixel " << x << "," << y;
            }
        }
    }
}

// The IDAT chunks of a PNG file, joined.
std::string ImageData(const std::string& file) {
    std::string data;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(file[at + i]); };
        const std::size_t length = std::size_t{byte(0)} << 24 | std::size_t{byte(1)} << 16 |
                                   std::size_t{byte(2)} << 8 | byte(3);
        if (file.compare(at + 4, 4, "IDAT") == 0) {
            data.append(file, at + 8, length);
        }
        at += 12 + length;
    }
    return data;
}

// The filtered rows made the plain way: each pixel from Symbol::At, rows packed a bit a pixel;
// the first pixel row of a module row unfiltered, the others less the row above (filter up).
std::vector<std::uint8_t> PlainFilteredRows(const ostrel::clsQRCode::Symbol& symbol, int scale,
                                            int margin) {
    const int width = (symbol.Columns() + 2 * margin) * scale;
    const int height = (symbol.Rows() + 2 * margin) * scale;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> above(rowBytes);
    std::vector<std::uint8_t> pixels(rowBytes);
    for (int y = 0; y < height; ++y) {
        std::fill(pixels.begin(), pixels.end(), 0);
        for (int x = 0; x < width; ++x) {
            if (symbol.At(x / scale - margin, y / scale - margin) != 0) {
                pixels[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> x % 8);
            }
        }
        const bool up = y % scale != 0;
        out.push_back(up ? 2 : 0);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            out.push_back(static_cast<std::uint8_t>(pixels[i] - (up ? above[i] : 0)));
        }
        above = pixels;
    }
    return out;
}

// zlib's inflate (not the PNG reader) over the image data of pictures of every shape the coder
// treats apart: scale 1 (no repeated row) and margin 0, rows longer than a match (258 bytes),
// module rows longer than deflate's 32 KiB window, more than 32 KiB of filtered data.
TEST(PngWriter, ImageDataInflatesToThePlainFilteredRows) {
    struct Case {
        ostrel::Symbology Kind;
        int Version;
        int Scale;
        int Margin;
    };
    const Case cases[] = {
        {ostrel::Symbology::QR, 1, 1, 0},    {ostrel::Symbology::QR, 1, 1, 4},
        {ostrel::Symbology::Micro, 1, 1, 0}, {ostrel::Symbology::Micro, 1, 2, 0},
        {ostrel::Symbology::QR, 3, 4, 4},    {ostrel::Symbology::QR, 1, 10, 4},
        {ostrel::Symbology::QR, 40, 1, 0},   {ostrel::Symbology::QR, 40, 3, 4},
        {ostrel::Symbology::QR, 40, 12, 0},  {ostrel::Symbology::QR, 40, 13, 1},
        {ostrel::Symbology::RMQR, 6, 7, 2},  {ostrel::Symbology::Micro, 4, 150, 3},
        {ostrel::Symbology::QR, 5, 37, 0},   {ostrel::Symbology::QR, 2, 64, 5}};
    clsSymbolEncoder encoder;
    PngWriter writer;
    const std::string text = "1950";
    for (const Case& c : cases) {
        clsSymbolEncoder::Settings settings;
        settings.Kind = c.Kind;
        settings.Version = c.Version;
        const auto outcome = encoder.Encode(
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), settings);
        ASSERT_TRUE(outcome) << c.Version;
        const std::string data = ImageData(
            writer.Write(*outcome.Symbol, c.Scale, c.Margin, {0, 0, 0, 255}, {255, 255, 255, 255}));
        const std::vector<std::uint8_t> plain =
            PlainFilteredRows(*outcome.Symbol, c.Scale, c.Margin);
        std::vector<std::uint8_t> inflated(plain.size() + 1);
        uLongf size = static_cast<uLongf>(inflated.size());
        ASSERT_EQ(uncompress(inflated.data(), &size, reinterpret_cast<const Bytef*>(data.data()),
                             static_cast<uLong>(data.size())),
                  Z_OK)
            << "version " << c.Version << ", scale " << c.Scale << ", margin " << c.Margin;
        inflated.resize(size);
        EXPECT_EQ(inflated, plain)
            << "version " << c.Version << ", scale " << c.Scale << ", margin " << c.Margin;
    }
}

} // namespace
