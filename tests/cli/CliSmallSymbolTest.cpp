// Micro QR and rMQR through the command-line tool: what each symbology refuses (exit 2 and a
// message that says why), the matrix and terminal formats against the encoders' symbols, and
// every picture format (PNG, BMP, SVG rendered by Qt SVG) with scales, margins, colours and batch
// runs read back by zxing-wasm, which knows both symbologies; PDF and EPS pages rendered by
// Poppler and Ghostscript, module for module.
#include "CliChecks.h"
#include "PeerReaders.h"
#include "TestFiles.h"
#include "ZxingWasmReader.h"
#include "clsMicroQRCode.h"
#include "clsRMQRCode.h"

#include <QDir>
#include <QImage>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

struct Refusal {
    QStringList Arguments;
    const char* Says;
};

TEST(CliSmallSymbols, WhatASymbologyCannotDoIsRefusedWithStatus2) {
    const Refusal refusals[] = {
        {{"--symbology", "micro", "--level", "H"},
         "Micro QR has no level H: it offers L, M and Q (M1: L, for error detection only; M2, "
         "M3: L and M; M4: L, M and Q)"},
        {{"--symbology", "micro", "--mask", "4"}, "Micro QR has 4 masks: --mask 0..3 or auto"},
        // A level that the version asked for lacks: said before encoding, not as data too long.
        {{"--symbology", "micro", "--symbol-version", "M1", "--level", "M"},
         "M1 offers level L only, not M (it detects errors only)"},
        {{"--symbology", "micro", "--symbol-version", "m2", "--level", "Q"},
         "M2 offers levels L and M only, not Q"},
        {{"--symbology", "micro", "--symbol-version", "M3", "--level", "Q"},
         "M3 offers levels L and M only, not Q"},
        {{"--symbology", "micro", "--symbol-version", "M4", "--level", "H"},
         "M4 offers levels L, M and Q only, not H"},
        {{"--symbology", "micro", "--eci", "auto"}, "Micro QR has no ECI"},
        {{"--symbology", "micro", "--symbol-version", "R7x43"}, "M1..M4 or auto"},
        {{"--symbology", "micro", "--symbol-version", "5"}, "M1..M4 or auto"},
        {{"--symbology", "micro", "--verify"}, "knows no Micro QR or rMQR"},
        {{"--symbology", "rmqr", "--level", "Q"}, "rMQR has no level Q: it offers M and H"},
        {{"--symbology", "rmqr", "--level", "L"}, "rMQR has no level L: it offers M and H"},
        {{"--symbology", "rmqr", "--mask", "auto"}, "single mask, one fixed pattern"},
        {{"--symbology", "rmqr", "--mask", "0"}, "single mask, one fixed pattern"},
        {{"--symbology", "rmqr", "--symbol-version", "R7x27"},
         "expected R7x43..R17x139 (R7, R9: x43, x59, x77, x99, x139; R11, R13: x27, x43, x59, "
         "x77, x99, x139; R15, R17: x43, x59, x77, x99, x139) or auto for rmqr"},
        {{"--symbology", "rmqr", "--symbol-version", "R9x43", "--rmqr-height", "9"},
         "--symbol-version auto only"},
        {{"--symbology", "rmqr", "--rmqr-height", "8"}, "7, 9, 11, 13, 15 or 17"},
        {{"--symbology", "rmqr", "--verify"}, "knows no Micro QR or rMQR"},
        {{"--rmqr-height", "7"}, "for --symbology rmqr"},
        {{"--symbology", "micro", "--structured-append", "2"}, "Micro QR has no structured append"},
        {{"--symbology", "rmqr", "--structured-append", "auto", "-o", "x%d.png"},
         "rMQR has no structured append"},
        {{"--symbology", "micro", "--hanzi"}, "Micro QR has no Hanzi mode"},
        {{"--symbology", "rmqr", "--hanzi"}, "rMQR has no Hanzi mode"},
        {{"--symbology", "aztec"}, "qr, micro or rmqr"},
    };
    for (const Refusal& refusal : refusals) {
        const CliRun run = RunCli(refusal.Arguments + QStringList{"1"});
        const std::string arguments = refusal.Arguments.join(' ').toStdString();
        EXPECT_EQ(run.ExitCode, 2) << arguments;
        EXPECT_TRUE(run.Err.contains(refusal.Says)) << arguments << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << arguments;
    }
    // Too long for the size asked or the largest: status 1, as for QR Code, with what that size
    // holds (the byte capacities of the Micro QR table; M1 and M2 have no byte mode).
    const Refusal tooLong[] = {
        {{"--symbology", "micro", Letters(400)},
         "the data does not fit in any Micro QR symbol at level L (400 bytes; M4, the largest, "
         "holds 15 bytes)"},
        {{"--symbology", "micro", "--level", "Q", Letters(10)}, "M4, the largest, holds 9 bytes"},
        {{"--symbology", "micro", "--symbol-version", "M3", "--level", "M", Letters(8)},
         "does not fit in a version M3 symbol at level M (8 bytes; it holds 7 bytes)"},
        {{"--symbology", "micro", "--symbol-version", "M1", "abc"},
         "(3 bytes; it takes no bytes, only digits)"},
        {{"--symbology", "micro", "--symbol-version", "M2", "abc"},
         "(3 bytes; it takes no bytes, only digits and upper-case letters)"},
        {{"--symbology", "rmqr", Letters(400)},
         "the data does not fit in any rMQR symbol at level M (400 bytes; R17x139, the largest,"},
        {{"--symbology", "rmqr", "--rmqr-height", "9", Letters(400)},
         "any rMQR symbol 9 modules high at level M (400 bytes; R9x139, the largest,"},
        {{"--level", "H", Letters(1300)},
         "(1300 bytes; version 40, the largest, holds 1273 bytes)"},
    };
    for (const Refusal& refusal : tooLong) {
        const CliRun run = RunCli(refusal.Arguments);
        EXPECT_EQ(run.ExitCode, 1) << refusal.Says;
        EXPECT_TRUE(run.Err.contains(refusal.Says)) << run.Err.toStdString();
    }
}

// The manifest names a symbol's version as its symbology does, told from the matrix written:
// Micro QR M(side - 9) / 2, rMQR R<rows>x<columns>, QR Code (side - 17) / 4 as a number; the mask
// is a number where there is a choice and null for rMQR's one fixed pattern.
TEST(CliSmallSymbols, ManifestNamesVersionsAsTheSymbologyDoes) {
    QTemporaryDir folder;
    const QByteArray lines = "1\nHELLO MICRO\nmicro qr\n";
    for (const char* symbology : {"qr", "micro", "rmqr"}) {
        const QString manifest = folder.filePath(QString(symbology) + ".jsonl");
        const QString pattern = folder.filePath(QString(symbology) + "-%d.txt");
        const CliRun run = RunCli({"--batch", "--symbology", symbology, "--format", "matrix", "-o",
                                   pattern, "--manifest", manifest},
                                  lines);
        ASSERT_EQ(run.ExitCode, 0) << symbology << ": " << run.Err.toStdString();
        const std::vector<std::string> entries = Lines(ReadFile(manifest));
        ASSERT_EQ(entries.size(), 3U) << symbology;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const std::vector<std::string> rows =
                Lines(ReadFile(QString(pattern).replace("%d", QString::number(k + 1))));
            ASSERT_FALSE(rows.empty());
            const auto height = static_cast<int>(rows.size());
            const auto width = static_cast<int>(rows.front().size());
            std::string version;
            std::string mask;
            if (std::string(symbology) == "qr") {
                version = std::to_string((width - 17) / 4);
                mask = "\"mask\":" + std::to_string(MaskOf(rows));
            } else if (std::string(symbology) == "micro") {
                version = "\"M" + std::to_string((width - 9) / 2) + "\"";
                mask = "\"mask\":"; // a number 0..3 follows
            } else {
                version = "\"R" + std::to_string(height) + "x" + std::to_string(width) + "\"";
                mask = "\"mask\":null";
            }
            EXPECT_TRUE(entries[k].find("\"version\":" + version + ",") != std::string::npos)
                << entries[k];
            const auto at = entries[k].find(mask);
            ASSERT_NE(at, std::string::npos) << entries[k];
            if (std::string(symbology) == "micro") {
                const char digit = entries[k][at + mask.size()];
                EXPECT_TRUE(digit >= '0' && digit <= '3') << entries[k];
            }
        }
    }
}

// The encoder's symbol as matrix rows.
std::vector<std::string> RowsOf(const clsQRCode::Symbol& symbol) {
    std::vector<std::string> rows;
    for (std::int32_t y = 0; y < symbol.Rows(); ++y) {
        std::string row;
        for (std::int32_t x = 0; x < symbol.Columns(); ++x) {
            row += symbol.At(x, y) != 0 ? '1' : '0';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(CliSmallSymbols, MatrixAndTerminalFormatsShowTheEncodersSymbol) {
    const std::string text = "MICRO 2026";
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    clsMicroQRCode micro;
    clsRMQRCode rmqr;
    // Defaults: Micro QR level L with the edge evaluation, rMQR level M, smallest size.
    const auto microSymbol = micro.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), 0,
                                                1, clsMicroQRCode::AutomaticMask);
    const auto rmqrSymbol =
        rmqr.EncodeMatrix(bytes, static_cast<std::int32_t>(bytes.size()), -1, 2);
    ASSERT_TRUE(microSymbol && rmqrSymbol);
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"micro", RowsOf(*microSymbol)}, {"rmqr", RowsOf(*rmqrSymbol)}};
    for (const auto& [symbology, rows] : cases) {
        const QStringList arguments = {"--symbology", symbology, QString::fromStdString(text)};
        EXPECT_EQ(MatrixOf(arguments), rows) << symbology;
        // The terminal formats with their default quiet zone of 2 modules.
        const CliRun utf8 = RunCli(arguments + QStringList{"--format", "utf8"});
        ASSERT_EQ(utf8.ExitCode, 0);
        auto padded = WithMargin(rows, 2);
        if (padded.size() % 2 == 1) {
            // The lower half of the last line lies beyond the symbol: no ink, as dark modules.
            padded.emplace_back(padded.front().size(), '1');
        }
        EXPECT_EQ(ParseHalfBlocks(utf8.Out, false), padded) << symbology;
        const CliRun ansi = RunCli(arguments + QStringList{"--format", "ansi", "--margin", "3"});
        ASSERT_EQ(ansi.ExitCode, 0);
        EXPECT_EQ(ParseAnsi(ansi.Out, false), WithMargin(rows, 3)) << symbology;
    }
}

// One batch run per setting writes a file per line; every file is then read by zxing-wasm.
struct PictureRun {
    QStringList Arguments;
    const char* Extension;
    const char* Format; // what zxing-wasm must report
    int Scale;
    int Margin;
};

TEST(CliSmallSymbols, EveryPictureFormatReadsBackInZxingWasm) {
    if (ZxingWasmReaderPath().empty()) {
        GTEST_SKIP() << "zxing-wasm not installed (run the ctest fixture zxing_wasm_setup)";
    }
    // Short enough for M4 at level Q (9 bytes).
    const QStringList lines = {"12345", "HELLO MICRO", "micro qr", "Ostrel", "2026-12-08"};
    const PictureRun runs[] = {
        {{"--symbology", "micro"}, "png", "MicroQRCode", 1, 2},
        {{"--symbology", "micro", "--level", "M", "--scale", "4"}, "png", "MicroQRCode", 4, 2},
        {{"--symbology", "micro", "--mask", "2", "--margin", "5", "--scale", "3"},
         "bmp",
         "MicroQRCode",
         3,
         5},
        {{"--symbology", "micro", "--level", "Q", "--scale", "5", "--foreground", "1a237e",
          "--background", "fff8e1"},
         "svg",
         "MicroQRCode",
         5,
         2},
        {{"--symbology", "rmqr"}, "png", "RMQRCode", 1, 2},
        {{"--symbology", "rmqr", "--level", "H", "--scale", "3"}, "bmp", "RMQRCode", 3, 2},
        {{"--symbology", "rmqr", "--rmqr-height", "17", "--scale", "2", "--eci", "auto"},
         "png",
         "RMQRCode",
         2,
         2},
        {{"--symbology", "rmqr", "--symbol-version", "R13x99", "--scale", "4"},
         "svg",
         "RMQRCode",
         4,
         2},
    };
    QTemporaryDir folder;
    const QString input = folder.filePath("lines.txt");
    WriteFile(input, lines.join('\n').toUtf8() + '\n');
    std::vector<std::string> files;
    std::vector<std::pair<std::string, const char*>> expected; // text, format
    int run = 0;
    for (const PictureRun& setting : runs) {
        const QString pattern =
            folder.filePath(QString("run%1-%05d.").arg(run++) + setting.Extension);
        const CliRun batch =
            RunCli(setting.Arguments + QStringList{"--batch", input, "-o", pattern});
        ASSERT_EQ(batch.ExitCode, 0)
            << setting.Arguments.join(' ').toStdString() << ": " << batch.Err.toStdString();
        for (int k = 0; k < lines.size(); ++k) {
            QString path = pattern;
            path.replace("%05d", QString("%1").arg(k + 1, 5, 10, QLatin1Char('0')));
            QImage picture;
            if (QString(setting.Extension) == "svg") {
                // Rendered at its own size (the width and height it declares in pixels);
                // zxing-wasm reads files, so it goes to a PNG.
                picture = RenderSvg(path, QSvgRenderer(path).defaultSize());
                ASSERT_FALSE(picture.isNull()) << path.toStdString();
                path += ".png";
                ASSERT_TRUE(picture.save(path));
            } else {
                picture.load(path);
            }
            ASSERT_FALSE(picture.isNull()) << path.toStdString();
            // The picture is the symbol with its margin, scale pixels per module.
            EXPECT_EQ(picture.width() % setting.Scale, 0);
            EXPECT_EQ(picture.height() % setting.Scale, 0);
            EXPECT_GT(picture.width() / setting.Scale, 2 * setting.Margin + 10);
            files.push_back(path.toStdString());
            expected.emplace_back(lines[k].toStdString(), setting.Format);
        }
    }
    // Read as pure symbols (one upright symbol with its quiet zone, which these pictures are):
    // zxing-wasm's finder search misses some rMQR pictures of 2 pixels per module, zint's own
    // R17x43 among them, that its pure reading reads.
    const auto readings = ReadWithZxingWasm(files, true);
    ASSERT_EQ(readings.size(), files.size()) << "zxing-wasm could not be run";
    for (std::size_t k = 0; k < readings.size(); ++k) {
        const auto& [text, format] = expected[k];
        EXPECT_TRUE(readings[k].Read) << files[k] << ": " << readings[k].Error;
        EXPECT_EQ(readings[k].Format, format) << files[k];
        EXPECT_EQ(std::string(readings[k].Bytes.begin(), readings[k].Bytes.end()), text)
            << files[k];
    }
}

// PDF and EPS pages of both symbologies are the symbol's width by its height: rendered by Poppler
// and Ghostscript at 10 pixels a module, the centre of every module has the colour the matrix
// format gives it.
TEST(CliSmallSymbols, PdfAndEpsPagesAreTheSymbolModuleForModule) {
    const QStringList settings[] = {
        {"--symbology", "rmqr", "--symbol-version", "R7x43"},
        {"--symbology", "rmqr", "--symbol-version", "R17x139", "--level", "H"},
        {"--symbology", "micro", "--symbol-version", "M2"},
    };
    QTemporaryDir folder;
    for (const QStringList& setting : settings) {
        const std::vector<std::string> rows = MatrixOf(setting + QStringList{"4711"});
        ASSERT_FALSE(rows.empty());
        const int margin = 3;
        for (const char* format : {"pdf", "eps"}) {
            const QString path = folder.filePath(QString("page.") + format);
            const CliRun run = RunCli(setting + QStringList{"--module-size", "0.1in", "--margin",
                                                            "3", "-o", path, "4711"});
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            const QImage page = Render(path, 100, QByteArray(format) == "eps");
            const std::string what = setting.join(' ').toStdString() + " " + format;
            // (Poppler rounds a page of 136.8 points up to 191 pixels at 100 dpi.)
            ASSERT_NEAR(page.width(), 10 * (std::ssize(rows[0]) + 2 * margin), 1) << what;
            ASSERT_NEAR(page.height(), 10 * (std::ssize(rows) + 2 * margin), 1) << what;
            int wrong = 0;
            for (int y = 0; y < std::ssize(rows); ++y) {
                for (int x = 0; x < std::ssize(rows[0]); ++x) {
                    const bool dark =
                        qGray(page.pixel(10 * (x + margin) + 5, 10 * (y + margin) + 5)) < 128;
                    wrong +=
                        dark != (rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] ==
                                 '1')
                            ? 1
                            : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << what;
        }
    }
}

} // namespace
} // namespace ostrel::test
