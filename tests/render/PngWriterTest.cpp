// PNG files decoded by Qt (libpng, which checks every CRC and the zlib stream) against the plain
// picture of the symbol: every pixel of every symbology, scale, quiet zone and colour pair.
#include "PngWriter.h"
#include "ReferencePicture.h"
#include "clsSymbolEncoder.h"

#include <QImage>

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

} // namespace
