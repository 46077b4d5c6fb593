// BMP files against Qt's own BMP writer, which wrote the tool's files before the writers lost
// their Qt: the same one-bit picture (white 0, black 1) must give the same bytes, header, palette,
// row padding and resolution included.
#include "BmpWriter.h"
#include "ReferencePicture.h"
#include "clsSymbolEncoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

using ostrel::clsQRCode;
using ostrel::clsSymbolEncoder;
using ostrel::render::BmpWriter;

std::string QtBmp(const QImage& picture) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    EXPECT_TRUE(writer.write(picture));
    return data.toStdString();
}

TEST(BmpWriter, GivesTheBytesOfQtsWriterForEverySymbolShapeScaleAndResolution) {
    std::mt19937 random(20261209);
    clsSymbolEncoder encoder;
    const std::string text = "HELLO 0123456789 https://example.com/";
    for (int round = 0; round < 60; ++round) {
        clsSymbolEncoder::Settings settings;
        settings.Kind = static_cast<ostrel::Symbology>(round % 3);
        settings.Level = settings.Kind == ostrel::Symbology::RMQR ? 2 : 1;
        const std::size_t length = 1 + random() % (settings.Kind == ostrel::Symbology::QR ? 36 : 9);
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), length);
        const auto outcome = encoder.Encode(bytes, settings);
        ASSERT_TRUE(outcome) << round;
        const int scale = 1 + static_cast<int>(random() % 9);
        const int margin = static_cast<int>(random() % 6);
        // The picture as the tool once made it for Qt.
        QImage picture = ostrel::test::ReferencePicture(*outcome.Symbol, scale, margin);
        std::optional<std::int32_t> dpi;
        if (round % 2 == 1) {
            dpi = 1 + static_cast<int>(random() % 2400);
            const int perMetre = static_cast<int>(std::lround(*dpi * 1000.0 / 25.4));
            picture.setDotsPerMeterX(perMetre);
            picture.setDotsPerMeterY(perMetre);
        }
        EXPECT_EQ(BmpWriter::Write(*outcome.Symbol, scale, margin, dpi), QtBmp(picture))
            << "round " << round << ", scale " << scale << ", margin " << margin;
    }
}

TEST(BmpWriter, RefusesPicturesItCannotState) {
    clsQRCode::Symbol symbol;
    symbol.Side = 21;
    symbol.Modules.assign(24 * 24, 0);
    EXPECT_TRUE(BmpWriter::Write(symbol, 0, 4).empty());
    EXPECT_TRUE(BmpWriter::Write(symbol, 1, -1).empty());
    EXPECT_FALSE(BmpWriter::Write(symbol, 1, 0).empty());
}

} // namespace
