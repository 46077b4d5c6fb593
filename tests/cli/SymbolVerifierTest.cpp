// SymbolVerifier handed pictures made here, independently of the tool's writers: good ones in
// every format, damaged files, wrong contents, too little contrast, transparency.
#include "SymbolVerifier.h"

#include "clsQRCode.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ostrel::clsQRCode;
using ostrel::cli::OutputFormat;
using ostrel::cli::SymbolVerifier;
using Outcome = SymbolVerifier::Outcome;

std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

clsQRCode::Symbol Encode(const std::vector<std::uint8_t>& bytes, std::int32_t version = 0) {
    clsQRCode encoder;
    const auto symbol =
        encoder.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), version, 3, 0);
    EXPECT_TRUE(symbol.has_value());
    return symbol.value_or(clsQRCode::Symbol{});
}

// The symbol drawn with dark and light pixels, scale pixels per module, a quiet zone of 4.
QImage Picture(const clsQRCode::Symbol& symbol, int scale, QRgb dark = qRgb(0, 0, 0),
               QRgb light = qRgb(255, 255, 255), QImage::Format format = QImage::Format_RGB32) {
    const int side = (symbol.Side + 8) * scale;
    QImage picture(side, side, format);
    picture.fill(light);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (symbol.At(x / scale - 4, y / scale - 4) != 0) {
                picture.setPixel(x, y, dark);
            }
        }
    }
    return picture;
}

QByteArray FileData(const QImage& picture, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(picture.save(&buffer, format));
    return data;
}

// An SVG drawing written by hand: one unit square per dark module on a white ground, scale
// pixels per unit.
QByteArray Svg(const clsQRCode::Symbol& symbol, int scale) {
    const QByteArray units = QByteArray::number(symbol.Side + 8);
    const QByteArray pixels = QByteArray::number((symbol.Side + 8) * scale);
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + pixels +
                     "\" height=\"" + pixels + "\" viewBox=\"0 0 " + units + " " + units +
                     "\" shape-rendering=\"crispEdges\"><rect width=\"" + units + "\" height=\"" +
                     units + "\" fill=\"white\"/>";
    for (int y = 0; y < symbol.Side; ++y) {
        for (int x = 0; x < symbol.Side; ++x) {
            if (symbol.At(x, y) != 0) {
                svg += "<rect x=\"" + QByteArray::number(x + 4) + "\" y=\"" +
                       QByteArray::number(y + 4) + "\" width=\"1\" height=\"1\"/>";
            }
        }
    }
    return svg + "</svg>";
}

QByteArray Damaged(QByteArray data, qsizetype from, qsizetype count) {
    for (qsizetype i = from; i < from + count && i < data.size(); ++i) {
        data[i] = static_cast<char>(~data[i]);
    }
    return data;
}

const std::vector<std::uint8_t> Label = BytesOf("Ostrel \xe6\xa0\x87\xe7\xad\xbe 0001");

TEST(SymbolVerifier, GoodSymbolsReadBackInEveryFormat) {
    const clsQRCode::Symbol symbol = Encode(Label);
    const std::vector<std::uint8_t> other = BytesOf("Ostrel label 0002");
    for (const int scale : {1, 4}) {
        const QImage picture = Picture(symbol, scale);
        const struct {
            OutputFormat Format;
            QByteArray Data;
        } files[] = {
            {OutputFormat::Png, FileData(picture, "PNG")},
            {OutputFormat::Bmp, FileData(picture, "BMP")},
            {OutputFormat::Svg, Svg(symbol, scale)},
        };
        for (const auto& file : files) {
            EXPECT_EQ(SymbolVerifier::VerifyFileData(file.Data, file.Format, Label),
                      Outcome::Verified)
                << int(file.Format) << " at scale " << scale;
            EXPECT_EQ(SymbolVerifier::VerifyFileData(file.Data, file.Format, other),
                      Outcome::DifferentContent)
                << int(file.Format) << " at scale " << scale;
        }
    }
    EXPECT_EQ(SymbolVerifier::VerifyModules(symbol, 4, false, Label), Outcome::Verified);
    EXPECT_EQ(SymbolVerifier::VerifyModules(symbol, 1, false, Label), Outcome::Verified);
    EXPECT_EQ(SymbolVerifier::VerifyModules(symbol, 4, false, other), Outcome::DifferentContent);
    // A negative is not what a reader expects: light modules on a dark ground are not found.
    EXPECT_EQ(SymbolVerifier::VerifyModules(symbol, 4, true, Label), Outcome::NotFound);
}

TEST(SymbolVerifier, ContentMustMatchByteForByte) {
    const clsQRCode::Symbol symbol = Encode(Label);
    const QImage picture = Picture(symbol, 3);
    std::vector<std::uint8_t> changed = Label;
    changed.back() = '2';
    EXPECT_EQ(SymbolVerifier::VerifyPicture(picture, changed), Outcome::DifferentContent);
    std::vector<std::uint8_t> longer = Label;
    longer.push_back(0);
    EXPECT_EQ(SymbolVerifier::VerifyPicture(picture, longer), Outcome::DifferentContent);
    const std::vector<std::uint8_t> shorter(Label.begin(), Label.end() - 1);
    EXPECT_EQ(SymbolVerifier::VerifyPicture(picture, shorter), Outcome::DifferentContent);
    // Raw bytes that are no text at all come back as they went in.
    const std::vector<std::uint8_t> binary = {0x00, 0xff, 0x80, 0x0a, 0x0d, 0xfe, 0x01};
    EXPECT_EQ(SymbolVerifier::VerifyPicture(Picture(Encode(binary), 3), binary), Outcome::Verified);
}

TEST(SymbolVerifier, DamagedFilesDoNotReadBack) {
    const clsQRCode::Symbol symbol = Encode(Label);
    const QByteArray png = FileData(Picture(symbol, 4), "PNG");
    const QByteArray bmp = FileData(Picture(symbol, 4), "BMP");
    const QByteArray svg = Svg(symbol, 4);
    ASSERT_EQ(SymbolVerifier::VerifyFileData(png, OutputFormat::Png, Label), Outcome::Verified);

    // 64 garbage bytes inside the compressed pixels: the PNG checksums refuse the file.
    EXPECT_EQ(
        SymbolVerifier::VerifyFileData(Damaged(png, png.size() / 2, 64), OutputFormat::Png, Label),
        Outcome::NotFound);
    // Cut short, or garbage from the first byte on.
    for (const auto& [data, format] :
         {std::pair{png, OutputFormat::Png}, {bmp, OutputFormat::Bmp}, {svg, OutputFormat::Svg}}) {
        EXPECT_EQ(SymbolVerifier::VerifyFileData(data.left(data.size() / 3), format, Label),
                  Outcome::NotFound)
            << int(format);
        EXPECT_EQ(SymbolVerifier::VerifyFileData(Damaged(data, 0, data.size()), format, Label),
                  Outcome::NotFound)
            << int(format);
        EXPECT_EQ(SymbolVerifier::VerifyFileData({}, format, Label), Outcome::NotFound);
    }
    // A BMP has no checksum: a third of its pixels inverted leaves no readable symbol.
    EXPECT_NE(SymbolVerifier::VerifyFileData(Damaged(bmp, bmp.size() / 3, bmp.size() / 3),
                                             OutputFormat::Bmp, Label),
              Outcome::Verified);
    // Another symbol in the file: found, but with other bytes.
    const std::vector<std::uint8_t> other = BytesOf("https://example.com/");
    EXPECT_EQ(SymbolVerifier::VerifyFileData(FileData(Picture(Encode(other), 4), "PNG"),
                                             OutputFormat::Png, Label),
              Outcome::DifferentContent);
}

TEST(SymbolVerifier, FilesAreReadFromTheDisk) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const clsQRCode::Symbol symbol = Encode(Label);
    const QString path = folder.filePath(QStringLiteral("标签.png"));
    ASSERT_TRUE(Picture(symbol, 2).save(path, "PNG"));
    const std::string name = path.toStdString();
    EXPECT_EQ(SymbolVerifier::VerifyFile(name, OutputFormat::Png, Label), Outcome::Verified);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray good = file.readAll();
    file.seek(0);
    file.write(Damaged(good, good.size() / 2, 64));
    file.close();
    EXPECT_EQ(SymbolVerifier::VerifyFile(name, OutputFormat::Png, Label), Outcome::NotFound);
    EXPECT_EQ(SymbolVerifier::VerifyFile(name + ".missing", OutputFormat::Png, Label),
              Outcome::NotFound);
}

TEST(SymbolVerifier, FailedCheckRemovesTheFileAndSaysWhy) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const clsQRCode::Symbol symbol = Encode(Label);
    const QString path = folder.filePath(QStringLiteral("label.png"));
    ASSERT_TRUE(Picture(symbol, 2).save(path, "PNG"));
    const std::string name = path.toStdString();
    EXPECT_EQ(SymbolVerifier::CheckWritten(OutputFormat::Png, std::nullopt, false, symbol, {}, name,
                                           Label)
                  .Message,
              "");
    EXPECT_TRUE(QFile::exists(path));

    const std::string failure =
        SymbolVerifier::CheckWritten(OutputFormat::Png, std::nullopt, false, symbol, {}, name,
                                     BytesOf("something else"))
            .Message;
    EXPECT_EQ(failure,
              "'" + name + "' does not read back (different content); the file is removed");
    EXPECT_FALSE(QFile::exists(path));

    // Output that is not a file: checked from its contents, nothing to remove.
    const QByteArray damaged = Damaged(FileData(Picture(symbol, 2), "PNG"), 100, 64);
    EXPECT_EQ(SymbolVerifier::CheckWritten(OutputFormat::Png, std::nullopt, false, symbol, damaged,
                                           {}, Label)
                  .Message,
              "the symbol does not read back (not found); nothing is written");
    // The terminal formats and the matrix are checked by their modules: the matrix gets a
    // quiet zone when none is asked for, ansi with --invert is a negative.
    for (const OutputFormat format :
         {OutputFormat::Matrix, OutputFormat::Utf8, OutputFormat::Ansi}) {
        EXPECT_EQ(SymbolVerifier::CheckWritten(format, std::nullopt, false, symbol, {}, {}, Label)
                      .Message,
                  "");
    }
    EXPECT_EQ(
        SymbolVerifier::CheckWritten(OutputFormat::Utf8, 2, true, symbol, {}, {}, Label).Message,
        "");
    EXPECT_NE(
        SymbolVerifier::CheckWritten(OutputFormat::Ansi, 2, true, symbol, {}, {}, Label).Message,
        "");
    EXPECT_EQ(SymbolVerifier::Reason(Outcome::NotFound), "not found");
    EXPECT_EQ(SymbolVerifier::Reason(Outcome::DifferentContent), "different content");
}

TEST(SymbolVerifier, TooLittleContrastIsNotFoundAtEverySize) {
    const clsQRCode::Symbol small = Encode(BytesOf("Hello"));
    const clsQRCode::Symbol large = Encode(Label, 10);
    for (const clsQRCode::Symbol* symbol : {&small, &large}) {
        for (const int scale : {1, 2, 4, 8}) {
            const QImage close =
                Picture(*symbol, scale, qRgb(0x77, 0x77, 0x77), qRgb(0x88, 0x88, 0x88));
            const QImage enough =
                Picture(*symbol, scale, qRgb(0x40, 0x40, 0x40), qRgb(0xc0, 0xc0, 0xc0));
            const auto& bytes = symbol == &small ? BytesOf("Hello") : Label;
            EXPECT_EQ(SymbolVerifier::VerifyPicture(close, bytes), Outcome::NotFound)
                << symbol->Version << " at scale " << scale;
            EXPECT_EQ(SymbolVerifier::VerifyPicture(enough, bytes), Outcome::Verified)
                << symbol->Version << " at scale " << scale;
        }
    }
}

TEST(SymbolVerifier, TransparentGroundLiesOnWhite) {
    const clsQRCode::Symbol symbol = Encode(Label);
    // Black modules on a transparent black ground: black on white as a viewer shows it, and
    // all black where the transparency is ignored.
    const QImage picture =
        Picture(symbol, 3, qRgba(0, 0, 0, 255), qRgba(0, 0, 0, 0), QImage::Format_ARGB32);
    EXPECT_EQ(SymbolVerifier::VerifyFileData(FileData(picture, "PNG"), OutputFormat::Png, Label),
              Outcome::Verified);
    // The opposite: a ground that is white but transparent modules show no symbol.
    const QImage noModules =
        Picture(symbol, 3, qRgba(0, 0, 0, 0), qRgba(255, 255, 255, 255), QImage::Format_ARGB32);
    EXPECT_EQ(SymbolVerifier::VerifyPicture(noModules, Label), Outcome::NotFound);
}

// The largest symbol reads back at every small scale when the reader is told where it is, but
// zxing-cpp 1.4's search for finder patterns, a scanner's, misses it at exactly 2 pixels a module
// (what the tool then says and does: CliVerify).
TEST(SymbolVerifier, LargestSymbolReadsBackAtSmallScalesAndTheSearchMissesScaleTwo) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 2000; ++i) {
        bytes.push_back(static_cast<std::uint8_t>('A' + i % 26));
    }
    const clsQRCode::Symbol symbol = Encode(bytes, 40);
    ASSERT_EQ(symbol.Side, 177);
    for (const auto& [scale, outcome] : std::vector<std::pair<int, Outcome>>{
             {1, Outcome::Verified}, {2, Outcome::Undetected}, {3, Outcome::Verified}}) {
        EXPECT_EQ(SymbolVerifier::VerifyPicture(Picture(symbol, scale), bytes), outcome) << scale;
    }
    EXPECT_EQ(SymbolVerifier::VerifyFileData(Svg(symbol, 2), OutputFormat::Svg, bytes),
              Outcome::Undetected);
    EXPECT_EQ(SymbolVerifier::VerifyModules(symbol, 4, false, bytes), Outcome::Verified);
    EXPECT_EQ(SymbolVerifier::Reason(Outcome::Undetected), "not found by a scanner's search");
}

} // namespace
