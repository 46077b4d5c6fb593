// --logo through the tool: bad logo files and logos that do not fit refused with the reason and
// nothing written; accepted ones read back exactly by zxing-cpp and ZBar in every format that
// draws them (PNG, BMP, SVG, PDF), at level H by default, with the area cleared in the text
// formats.
#include "CliChecks.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ostrel::test {
namespace {

const QString kUrl = QStringLiteral("https://example.com/shop/42");

std::uint32_t Crc32(const QByteArray& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QByteArray BigEndian(std::uint32_t value) {
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
    return out;
}

QByteArray Chunk(const QByteArray& type, const QByteArray& data) {
    return BigEndian(static_cast<std::uint32_t>(data.size())) + type + data +
           BigEndian(Crc32(type + data));
}

// A PNG whose header states 20000 x 20000 pixels (its data is a few bytes: qCompress gives the
// zlib stream after a length of four bytes).
QByteArray HugePng() {
    const QByteArray header = BigEndian(20000) + BigEndian(20000) + QByteArray("\x08\x06\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) +
           Chunk("IDAT", qCompress(QByteArray(100, '\0')).mid(4)) + Chunk("IEND", {});
}

// The test logo: a red disc with a yellow ring on a transparent ground.
QImage Mark() {
    QImage mark(64, 64, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setBrush(QColor(255, 200, 0));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 60, 60);
    painter.setBrush(QColor(200, 30, 40));
    painter.drawEllipse(10, 10, 44, 44);
    return mark;
}

struct Logos {
    QTemporaryDir Folder;
    QString Png, Jpeg, Svg;
    Logos() {
        Png = Folder.filePath("mark.png");
        Jpeg = Folder.filePath("mark.jpg");
        Svg = Folder.filePath("mark.svg");
        Mark().save(Png);
        Mark().save(Jpeg);
        WriteFile(Svg, "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                       "width=\"100\" height=\"100\"><circle cx=\"50\" cy=\"50\" r=\"45\" "
                       "fill=\"#1060c0\"/></svg>\n");
        WriteFile(Folder.filePath("empty.png"), {});
        WriteFile(Folder.filePath("text.png"), "not a picture\n");
        WriteFile(Folder.filePath("huge.png"), HugePng());
        WriteFile(Folder.filePath("cut.png"), ReadFile(Png).chopped(ReadFile(Png).size() / 2));
    }
};

TEST(CliLogo, RefusalsGiveTheReasonAndWriteNothing) {
    Logos logos;
    QTemporaryDir out;
    const QString file = out.filePath("shop.png");
    const auto at = [&](const char* name) { return logos.Folder.filePath(name); };
    struct Case {
        QStringList Arguments;
        std::vector<const char*> Said;
    };
    const std::vector<Case> cases = {
        {{"--logo", at("missing.png")}, {"does not exist"}},
        {{"--logo", at("empty.png")}, {"is empty"}},
        {{"--logo", at("text.png")}, {"not a PNG, JPEG or SVG picture"}},
        {{"--logo", at("huge.png")}, {"20000x20000 pixels"}},
        {{"--logo", at("cut.png")}, {"cannot decode the logo"}},
        {{"--logo", logos.Png, "--symbology", "micro"}, {"micro", "too small"}},
        {{"--logo", logos.Png, "--symbol-version", "4", "--logo-size", "0.3"},
         {"codewords of block", "qr 4-H", "which corrects 8", "largest that fits is --logo-size"}},
        {{"--logo", logos.Png, "--symbol-version", "2", "--level", "L", "--logo-size", "0.5"},
         {"reaches the finder, timing, format or version modules of qr 2-L"}},
        {{"--logo", logos.Png, "--format", "eps"}, {"not eps"}},
        {{"--logo", logos.Png, "--logo-budget", "5"}, {"10..100"}},
        {{"--logo", logos.Png, "--logo-size", "0"}, {"--logo-size"}},
        {{"--logo-size", "0.2"}, {"for --logo only"}},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(QStringList(c.Arguments) << "-o" << file << kUrl);
        const std::string err = run.Err.toStdString();
        EXPECT_EQ(run.ExitCode, 2) << c.Arguments.join(' ').toStdString() << ": " << err;
        for (const char* said : c.Said) {
            EXPECT_NE(err.find(said), std::string::npos) << said << " not in: " << err;
        }
        EXPECT_TRUE(Entries(out).isEmpty()) << err;
    }
}

TEST(CliLogo, PicturesAndDrawingsWithTheLogoReadBackAtLevelH) {
    Logos logos;
    QTemporaryDir out;
    for (const QString& logo : {logos.Png, logos.Jpeg, logos.Svg}) {
        for (const std::string format : {"png", "bmp", "svg", "pdf"}) {
            const QString file =
                out.filePath(QStringLiteral("shop.%1").arg(QString::fromStdString(format)));
            const CliRun run = RunCli({"--logo", logo, "--scale", "6", "-o", file, kUrl});
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            const QImage picture = format == "svg"   ? RenderSvg(file, QSize(480, 480))
                                   : format == "pdf" ? Render(file, 300, false)
                                                     : QImage(file);
            const auto zxing = ReadWithZXing(picture);
            ASSERT_TRUE(zxing) << format << " " << logo.toStdString();
            EXPECT_EQ(zxing->Bytes, kUrl.toStdString());
            EXPECT_EQ(zxing->Level, "H");
            EXPECT_EQ(ReadWithZBar(picture).value_or(""), kUrl.toStdString()) << format;
            // The logo's colour shows in the middle (BMP: black on white only; the PDF is
            // rendered in grey).
            const QRgb middle = picture.pixel(picture.width() / 2, picture.height() / 2);
            if (format == "png" || format == "svg") {
                EXPECT_NE(qRed(middle), qBlue(middle)) << format << " " << logo.toStdString();
            }
            if (format == "png" && logo != logos.Jpeg) {
                // The picture's transparent corner shows the light colour: its alpha is kept.
                const int side = picture.width() / 6 - 8;
                const int logoSide = static_cast<int>((0.2 * side - 1) / 2 + 0.5) * 2 + 1;
                const int corner = (4 + (side - logoSide) / 2) * 6 + 1;
                EXPECT_EQ(picture.pixel(corner, corner), qRgb(255, 255, 255))
                    << logo.toStdString() << " side " << side;
            }
        }
    }
    const QByteArray svg = ReadFile(out.filePath("shop.svg"));
    EXPECT_TRUE(svg.contains("<circle")); // the SVG logo's own elements
    ASSERT_EQ(RunCli({"--logo", logos.Png, "-o", out.filePath("png.svg"), kUrl}).ExitCode, 0);
    const QByteArray embedded = ReadFile(out.filePath("png.svg"));
    EXPECT_TRUE(embedded.contains(" href=\"data:image/png;base64,iVBORw0KGgo"));
    EXPECT_TRUE(embedded.contains(" xlink:href=\"data:image/png;base64,iVBORw0KGgo"));
}

TEST(CliLogo, TextFormatsShowTheClearedAreaAndTheBudgetIsPrinted) {
    Logos logos;
    // Version 5 is 37 modules: a logo of 7 modules and a margin of 1 clears rows and columns
    // 14..22; no alignment pattern lies there.
    const CliRun run = RunCli({"--logo", logos.Png, "--symbol-version", "5", "--format", "matrix",
                               "--print-logo-budget", kUrl});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QList<QByteArray> rows = run.Out.split('\n');
    ASSERT_GE(rows.size(), 37);
    for (int y = 12; y <= 24; ++y) {
        const QByteArray middle = rows[y].mid(12, 13);
        const bool inside = y >= 14 && y <= 22;
        EXPECT_EQ(middle.mid(2, 9) == QByteArray(9, '0'), inside) << y << " " << middle.data();
    }
    // 5-H has four blocks; every one is listed.
    EXPECT_EQ(run.Err.count("codewords touched, corrects 11, budget 5 (50%)"), 4)
        << run.Err.toStdString();
}

TEST(CliLogo, BatchRunsPutTheLogoOnEveryLineOrStopBeforeAny) {
    Logos logos;
    QTemporaryDir out;
    const QString lines = out.filePath("lines.txt");
    WriteFile(lines, "https://example.com/a\nhttps://example.com/b\nhttps://example.com/c\n");
    const QString pattern = out.filePath("shop-%d.png");
    for (const QString& logo : {logos.Svg, logos.Png}) {
        const CliRun run = RunCli(
            {"--batch", lines, "--logo", logo, "--jobs", "2", "--scale", "4", "-o", pattern});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        for (const char* name : {"a", "b", "c"}) {
            const int number = name[0] - 'a' + 1;
            const auto reading =
                ReadWithZXing(QImage(out.filePath(QStringLiteral("shop-%1.png").arg(number))));
            ASSERT_TRUE(reading) << name;
            EXPECT_EQ(reading->Bytes, std::string("https://example.com/") + name);
            EXPECT_EQ(reading->Level, "H");
        }
    }
    QTemporaryDir none;
    const CliRun bad = RunCli({"--batch", lines, "--logo", logos.Folder.filePath("text.png"), "-o",
                               none.filePath("%d.png")});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_TRUE(bad.Err.contains("not a PNG, JPEG or SVG picture")) << bad.Err.toStdString();
    EXPECT_TRUE(Entries(none).isEmpty());
}

} // namespace
} // namespace ostrel::test
