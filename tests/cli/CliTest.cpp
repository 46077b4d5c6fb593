// Runs ostrel-qr-cli as a separate process, the way scripts use it, and checks what it writes.
#include "CliRunner.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using ostrel::test::CliRun;
using ostrel::test::CliSetting;
using ostrel::test::Entries;
using ostrel::test::ReadFile;
using ostrel::test::RenderSvg;
using ostrel::test::RunCli;
using ostrel::test::WriteFile;

const QString Cli = ostrel::test::CliProgram();

// The finished version 1-Q symbol of "abc" with mask 0, the worked example for the encoder:
// row y from the top, modules x = 0 to 20 from the left, 1 dark and 0 light.
const std::array<const char*, 21> AbcSymbol = {
    "111111101100101111111", "100000101110001000001", "101110101111101011101",
    "101110101110001011101", "101110101111101011101", "100000100111101000001",
    "111111101010101111111", "000000001001100000000", "011010110011001011111",
    "000000001011001001011", "000011101011100010011", "110101011100101000000",
    "101101110010101010001", "000000001111110101011", "111111101010011101011",
    "100000100011110111001", "101110101111111100101", "101110100100001000110",
    "101110101010100010001", "100000101110001000110", "111111100010101010111",
};

std::vector<std::string> Lines(const QByteArray& text) {
    std::vector<std::string> lines;
    for (const QByteArray& line : text.split('\n')) {
        lines.emplace_back(line.constData(), static_cast<std::size_t>(line.size()));
    }
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

std::vector<std::string> Expected(const std::array<const char*, 21>& rows) {
    return {rows.begin(), rows.end()};
}

// True when the text is a matrix: side rows of side characters '0' and '1', each row ended by
// a line feed.
::testing::AssertionResult IsMatrix(const QByteArray& text, int side) {
    const auto lines = Lines(text);
    if (!text.endsWith('\n')) {
        return ::testing::AssertionFailure() << "the last row has no line feed";
    }
    if (static_cast<int>(lines.size()) != side) {
        return ::testing::AssertionFailure() << lines.size() << " rows instead of " << side;
    }
    for (std::size_t y = 0; y < lines.size(); ++y) {
        if (static_cast<int>(lines[y].size()) != side ||
            lines[y].find_first_not_of("01") != std::string::npos) {
            return ::testing::AssertionFailure() << "row " << y << " is '" << lines[y] << "'";
        }
    }
    return ::testing::AssertionSuccess();
}

QStringList AbcWith(QStringList options) {
    options << QStringLiteral("abc");
    return options;
}

QString Letters(int count) {
    return QString(count, QLatin1Char('a'));
}

// ---- Format information, read back from a matrix (ISO/IEC 18004 clause 7.9) ----

// The 15-bit format word for error-correction bits (L 01, M 00, Q 11, H 10) and a mask:
// BCH(15,5) with generator x^10 + x^8 + x^5 + x^4 + x^2 + x + 1, masked with 101010000010010.
int FormatWord(int levelBits, int mask) {
    const int data = (levelBits << 3) | mask;
    int remainder = data << 10;
    for (int bit = 14; bit >= 10; --bit) {
        if ((remainder >> bit) & 1) {
            remainder ^= 0x537 << (bit - 10);
        }
    }
    return ((data << 10) | remainder) ^ 0x5412;
}

int LevelBits(char level) {
    switch (level) {
    case 'L':
        return 1;
    case 'M':
        return 0;
    case 'Q':
        return 3;
    default:
        return 2;
    }
}

// Both copies of the format word; bit 0 is the least significant.
std::pair<int, int> ReadFormatWords(const std::vector<std::string>& rows) {
    const int side = static_cast<int>(rows.size());
    auto dark = [&](int x, int y) { return rows[static_cast<std::size_t>(y)][x] == '1' ? 1 : 0; };
    int first = 0;
    int second = 0;
    for (int i = 0; i < 15; ++i) {
        int x = 8;
        int y = 8;
        if (i <= 5) {
            y = i;
        } else if (i == 6) {
            y = 7;
        } else if (i == 8) {
            x = 7;
        } else if (i >= 9) {
            x = 14 - i;
        }
        first |= dark(x, y) << i;
        second |= (i < 8 ? dark(side - 1 - i, 8) : dark(8, side - 15 + i)) << i;
    }
    return {first, second};
}

// ---- Reading pictures back ----

// Decodes a QR Code symbol with zxing-cpp; small pictures are enlarged first (pixel repetition)
// so that the reader sees more than one pixel per module.
ostrel::test::ZXingOptions SmallPicturesEnlarged() {
    ostrel::test::ZXingOptions options;
    options.MinimumWidth = 200;
    return options;
}

std::optional<QByteArray> Decode(const QImage& picture) {
    const auto reading = ostrel::test::ReadWithZXing(picture, SmallPicturesEnlarged());
    if (!reading) {
        return std::nullopt;
    }
    return QByteArray::fromStdString(reading->Bytes);
}

// Every pixel of the picture against the matrix: module (x, y) is the block of scale x scale
// pixels at ((x + 4) * scale, (y + 4) * scale); the 4-module margin is white.
::testing::AssertionResult PictureShowsMatrix(const QImage& picture,
                                              const std::vector<std::string>& rows, int scale) {
    const int side = static_cast<int>(rows.size());
    const int expectedSize = (side + 8) * scale;
    if (picture.width() != expectedSize || picture.height() != expectedSize) {
        return ::testing::AssertionFailure() << "picture " << picture.width() << " x "
                                             << picture.height() << ", expected " << expectedSize;
    }
    for (int py = 0; py < expectedSize; ++py) {
        for (int px = 0; px < expectedSize; ++px) {
            const int x = px / scale - 4;
            const int y = py / scale - 4;
            const bool inside = x >= 0 && y >= 0 && x < side && y < side;
            const bool dark = inside && rows[static_cast<std::size_t>(y)][x] == '1';
            const QRgb pixel = picture.pixel(px, py);
            const QRgb expected = dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
            if ((pixel & 0xFFFFFF) != (expected & 0xFFFFFF)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << px << ", " << py << ") is " << std::hex << pixel;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> AbcRows() {
    return Expected(AbcSymbol);
}

// ---- Terminal output, margins and colours ----

// The rows with a light margin of margin modules on every side.
std::vector<std::string> WithMargin(const std::vector<std::string>& rows, int margin) {
    const std::size_t side = rows.size() + 2 * static_cast<std::size_t>(margin);
    std::vector<std::string> padded(static_cast<std::size_t>(margin), std::string(side, '0'));
    for (const std::string& row : rows) {
        padded.push_back(std::string(static_cast<std::size_t>(margin), '0') + row +
                         std::string(static_cast<std::size_t>(margin), '0'));
    }
    padded.insert(padded.end(), static_cast<std::size_t>(margin), std::string(side, '0'));
    return padded;
}

// The matrix the tool writes for the arguments (with --format matrix added).
std::vector<std::string> MatrixOf(QStringList arguments) {
    arguments << "--format"
              << "matrix";
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    return Lines(run.Out);
}

// Half blocks back into module rows, two per text line: ink in the upper half of a character
// (U+2588 full block, U+2580 upper half block) is the upper row, ink in the lower half (U+2588,
// U+2584 lower half block) the lower row. inkIsDark says which modules the ink draws. Every
// character must be one of the four; the result has two rows per line.
std::optional<std::vector<std::string>> ParseHalfBlocks(const QByteArray& text, bool inkIsDark) {
    std::vector<std::string> rows;
    const QString all = QString::fromUtf8(text);
    if (!all.endsWith(QLatin1Char('\n'))) {
        return std::nullopt;
    }
    const char ink = inkIsDark ? '1' : '0';
    const char blank = inkIsDark ? '0' : '1';
    for (const QString& line : all.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        std::string upper;
        std::string lower;
        for (const QChar c : line) {
            const bool top = c == QChar(0x2588) || c == QChar(0x2580);
            const bool bottom = c == QChar(0x2588) || c == QChar(0x2584);
            if (!top && !bottom && c != QLatin1Char(' ')) {
                return std::nullopt;
            }
            upper += top ? ink : blank;
            lower += bottom ? ink : blank;
        }
        rows.push_back(upper);
        rows.push_back(lower);
    }
    return rows;
}

// ANSI background colours back into module rows: each module is two blanks in the colour in
// force, white (47) light and black (40) dark (swapped when inverted); every line ends in a
// reset.
std::optional<std::vector<std::string>> ParseAnsi(const QByteArray& text, bool inverted) {
    std::vector<std::string> rows;
    for (const std::string& line : Lines(text)) {
        const std::string reset = "\x1b[0m";
        if (!line.ends_with(reset)) {
            return std::nullopt;
        }
        std::string row;
        char colour = '?';
        std::size_t i = 0;
        const std::size_t end = line.size() - reset.size();
        while (i < end) {
            if (line.compare(i, 5, "\x1b[47m") == 0 || line.compare(i, 5, "\x1b[40m") == 0) {
                const bool black = line[i + 3] == '0';
                colour = black != inverted ? '1' : '0';
                i += 5;
            } else if (line.compare(i, 2, "  ") == 0 && colour != '?') {
                row += colour;
                i += 2;
            } else {
                return std::nullopt;
            }
        }
        rows.push_back(row);
    }
    return rows;
}

// Module rows as a picture, scale pixels per module, in the given colours.
QImage RowsPicture(const std::vector<std::string>& rows, int scale, QRgb dark = qRgb(0, 0, 0),
                   QRgb light = qRgb(255, 255, 255)) {
    const int side = static_cast<int>(rows.size());
    QImage image(side * scale, side * scale, QImage::Format_RGB32);
    for (int y = 0; y < side * scale; ++y) {
        for (int x = 0; x < side * scale; ++x) {
            image.setPixel(
                x, y,
                rows[static_cast<std::size_t>(y / scale)][static_cast<std::size_t>(x / scale)] ==
                        '1'
                    ? dark
                    : light);
        }
    }
    return image;
}

// Every pixel of the picture against the rows (margin included): scale x scale pixels per
// module, dark modules in the dark colour and light ones in the light colour (alpha included).
::testing::AssertionResult PictureShowsRows(const QImage& picture,
                                            const std::vector<std::string>& rows, int scale,
                                            QRgb dark, QRgb light) {
    const int side = static_cast<int>(rows.size()) * scale;
    if (picture.width() != side || picture.height() != side) {
        return ::testing::AssertionFailure() << "picture " << picture.width() << " x "
                                             << picture.height() << ", expected " << side;
    }
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool isDark =
                rows[static_cast<std::size_t>(y / scale)][static_cast<std::size_t>(x / scale)] ==
                '1';
            const QRgb pixel = argb.pixel(x, y);
            const QRgb expected = isDark ? dark : light;
            if (pixel != expected && !(qAlpha(pixel) == 0 && qAlpha(expected) == 0)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << pixel
                       << ", expected " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The text that zxing-cpp shows for a symbol: the bytes taken by its character set (the ECI
// designator when there is one, else its guess).
std::optional<QString> DecodeText(const QImage& picture) {
    const auto reading = ostrel::test::ReadWithZXing(picture, SmallPicturesEnlarged());
    if (!reading) {
        return std::nullopt;
    }
    return QString::fromStdString(reading->Text);
}

// The text that ZBar shows for a symbol (UTF-8; ZBar converts by the ECI designator, else by
// its guess).
std::optional<QString> ZbarText(const QImage& picture) {
    const auto text = ostrel::test::ReadWithZBar(picture);
    if (!text) {
        return std::nullopt;
    }
    return QString::fromStdString(*text);
}

// The mask number in a matrix's format information.
int MaskOf(const std::vector<std::string>& rows) {
    const int word = ReadFormatWords(rows).first;
    for (const char level : {'L', 'M', 'Q', 'H'}) {
        for (int mask = 0; mask < 8; ++mask) {
            if (FormatWord(LevelBits(level), mask) == word) {
                return mask;
            }
        }
    }
    return -1;
}

} // namespace

// ---- The module matrix ----

TEST(CliMatrix, AbcGivesTheWorkedExampleSymbol) {
    const CliRun run = RunCli({"--format", "matrix", "abc"});
    EXPECT_FALSE(run.Crashed);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
    ASSERT_TRUE(IsMatrix(run.Out, 21));
    EXPECT_EQ(Lines(run.Out), AbcRows());
}

TEST(CliMatrix, DefaultsAreMatrixAutomaticVersionLevelQMaskZero) {
    const QByteArray expected = RunCli({"--format", "matrix", "abc"}).Out;
    const std::vector<QStringList> spellings = {
        {"abc"},
        {"abc", "--level", "Q"},
        {"--symbol-version", "auto", "--level", "q", "--mask", "0", "abc"},
        {"--symbol-version=0", "--level=Q", "--mask=0", "--encoding=utf8", "abc"},
        {"--format=MATRIX", "--", "abc"},
        {"-o", "-", "abc"},
    };
    for (const QStringList& arguments : spellings) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.ExitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.Out.toStdString(), expected.toStdString())
            << arguments.join(' ').toStdString();
    }
}

TEST(CliMatrix, FormatInformationCarriesLevelAndMask) {
    // The worked example first: it proves the reader right.
    EXPECT_EQ(ReadFormatWords(AbcRows()).first, FormatWord(LevelBits('Q'), 0));
    for (const char level : {'L', 'M', 'Q', 'H'}) {
        for (int mask = 0; mask < 8; ++mask) {
            const CliRun run = RunCli(
                {"--level", QString(QLatin1Char(level)), "--mask", QString::number(mask), "abc"});
            ASSERT_EQ(run.ExitCode, 0) << level << mask;
            ASSERT_TRUE(IsMatrix(run.Out, 21));
            const auto [first, second] = ReadFormatWords(Lines(run.Out));
            EXPECT_EQ(first, FormatWord(LevelBits(level), mask)) << level << " mask " << mask;
            EXPECT_EQ(second, first) << level << " mask " << mask;
        }
    }
}

TEST(CliMatrix, SymbolVersionSetsTheSize) {
    for (const int version : {1, 2, 7, 20, 40}) {
        const CliRun run = RunCli(AbcWith({"--symbol-version", QString::number(version)}));
        EXPECT_EQ(run.ExitCode, 0) << version;
        EXPECT_TRUE(IsMatrix(run.Out, 17 + 4 * version)) << "version " << version;
    }
}

TEST(CliMatrix, LargestTextAtLevelQFitsVersion40) {
    const CliRun fits = RunCli({Letters(1663)});
    EXPECT_EQ(fits.ExitCode, 0);
    EXPECT_TRUE(IsMatrix(fits.Out, 177));

    const CliRun tooLong = RunCli({Letters(1664)});
    EXPECT_FALSE(tooLong.Crashed);
    EXPECT_EQ(tooLong.ExitCode, 1);
    EXPECT_TRUE(tooLong.Out.isEmpty());
    EXPECT_TRUE(tooLong.Err.contains("does not fit")) << tooLong.Err.toStdString();
    EXPECT_EQ(tooLong.Err.count('\n'), 1) << tooLong.Err.toStdString();
    EXPECT_TRUE(tooLong.Err.endsWith('\n'));
}

TEST(CliMatrix, GivenVersionMustHoldTheData) {
    // Version 1-M holds 14 bytes (4 + 8 + 112 = 124 bits of 128).
    const CliRun fits = RunCli({"--symbol-version", "1", "--level", "M", Letters(14)});
    EXPECT_EQ(fits.ExitCode, 0);
    EXPECT_TRUE(IsMatrix(fits.Out, 21));
    const CliRun tooLong = RunCli({"--symbol-version", "1", "--level", "M", Letters(15)});
    EXPECT_EQ(tooLong.ExitCode, 1);
    EXPECT_TRUE(tooLong.Out.isEmpty());
    EXPECT_TRUE(tooLong.Err.contains("does not fit")) << tooLong.Err.toStdString();
    EXPECT_TRUE(tooLong.Err.contains("version 1")) << tooLong.Err.toStdString();
}

TEST(CliMatrix, VeryLongInputIsRefusedWithStatusOne) {
    const CliRun argument = RunCli({Letters(100000)});
    EXPECT_EQ(argument.ExitCode, 1);
    EXPECT_TRUE(argument.Out.isEmpty());
    const CliRun input = RunCli({}, QByteArray(5 * 1024 * 1024, 'x'));
    EXPECT_FALSE(input.Crashed);
    EXPECT_EQ(input.ExitCode, 1);
    EXPECT_TRUE(input.Out.isEmpty());
    EXPECT_TRUE(input.Err.contains("does not fit")) << input.Err.toStdString();
}

// ---- Usage ----

TEST(CliUsage, BadUsageExitsWithStatusTwo) {
    const std::vector<QStringList> cases = {
        {"--bogus", "abc"},
        {"-x", "abc"},
        {"--level", "X", "abc"},
        {"--level", "QQ", "abc"},
        {"--level"},
        {"--mask", "8", "abc"},
        {"--mask", "-1", "abc"},
        {"--mask", "1.5", "abc"},
        {"--symbol-version", "41", "abc"},
        {"--symbol-version", "-1", "abc"},
        {"--symbol-version", "", "abc"},
        {"--encoding", "latin1", "abc"},
        {"--kanji", "maybe", "abc"},
        {"--format", "jpg", "abc"},
        {"--scale", "0", "abc"},
        {"--scale", "101", "abc"},
        {"--scale", "4x", "abc"},
        {"-o", "", "abc"},
        {"abc", "def"},
        {"--help=yes"},
    };
    for (const QStringList& arguments : cases) {
        const CliRun run = RunCli(arguments);
        const std::string shown = arguments.join(' ').toStdString();
        EXPECT_FALSE(run.Crashed) << shown;
        EXPECT_EQ(run.ExitCode, 2) << shown;
        EXPECT_TRUE(run.Out.isEmpty()) << shown;
        EXPECT_TRUE(run.Err.startsWith("ostrel-qr-cli: "))
            << shown << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("--help")) << shown << ": " << run.Err.toStdString();
    }
}

TEST(CliUsage, BadUsageWritesNoFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("out.png"));
    const CliRun run = RunCli({"-o", path, "--mask", "9", "abc"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(Entries(folder).isEmpty()) << Entries(folder).join(' ').toStdString();
}

TEST(CliUsage, HelpIsComplete) {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const CliRun run = RunCli({option});
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_TRUE(run.Err.isEmpty());
        EXPECT_TRUE(run.Out.startsWith("Usage: ostrel-qr-cli [OPTION]... [TEXT]\n"));
        for (const char* text : {"--symbol-version",
                                 "--level",
                                 "--mask",
                                 "--encoding",
                                 "--kanji",
                                 "--format",
                                 "-o, --output",
                                 "--scale",
                                 "--margin",
                                 "--foreground",
                                 "--background",
                                 "--invert",
                                 "--batch [FILE]",
                                 "--eci auto|off",
                                 "--mask 0..7|auto",
                                 "utf8",
                                 "ansi",
                                 "%05d",
                                 "-h, --help",
                                 "--version",
                                 "\nOptions:\n",
                                 "\nExit status:\n",
                                 "\nExamples:\n",
                                 "  0 ",
                                 "  1 ",
                                 "  2 ",
                                 "  3 "}) {
            EXPECT_TRUE(run.Out.contains(text)) << "help lacks '" << text << "'";
        }
    }
    // --help wins wherever it stands; nothing is encoded.
    const CliRun late = RunCli({"abc", "--help"});
    EXPECT_EQ(late.ExitCode, 0);
    EXPECT_TRUE(late.Out.startsWith("Usage: "));
}

TEST(CliUsage, VersionNamesProgramAndVersion) {
    const CliRun run = RunCli({"--version"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Out.startsWith("ostrel-qr-cli ")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(OSTREL_VERSION)) << run.Out.toStdString();
    EXPECT_EQ(run.Out.count('\n'), 1);
}

// ---- Input ----

TEST(CliInput, StandardInputIsEncodedWithoutText) {
    const CliRun run = RunCli({"--format", "matrix"}, "abc");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Lines(run.Out), AbcRows());
    // Empty input is a valid, empty symbol.
    const CliRun empty = RunCli({});
    EXPECT_EQ(empty.ExitCode, 0);
    EXPECT_TRUE(IsMatrix(empty.Out, 21));
    EXPECT_NE(Lines(empty.Out), AbcRows());
}

TEST(CliInput, TextArgumentTakesPrecedenceOverStandardInput) {
    const CliRun run = RunCli({"abc"}, "something else entirely");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Lines(run.Out), AbcRows());
}

TEST(CliInput, StandardInputIsBinarySafe) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QByteArray bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.append(static_cast<char>(value));
    }
    bytes += QByteArray("\r\n\0\x1A\xFF", 5);
    const QString path = folder.filePath(QStringLiteral("binary.png"));
    const CliRun run = RunCli({"-o", path, "--scale", "4"}, bytes);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.isEmpty());
    EXPECT_EQ(Decode(QImage(path)), bytes);
}

TEST(CliInput, TextAfterDoubleDashMayBeginWithADash) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("dash.png"));
    const CliRun run = RunCli({"-o", path, "--", "-abc"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(Decode(QImage(path)), QByteArray("-abc"));
}

TEST(CliInput, Utf8AndAnsiEncodings) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("text.png"));
    const QString chinese = QString::fromUtf8("中文\r\n");
    const QString gbkLocale = QStringLiteral("zh_CN.UTF-8");

    ASSERT_EQ(RunCli({"-o", path, chinese}, {}, gbkLocale).ExitCode, 0);
    EXPECT_EQ(Decode(QImage(path)), QByteArray("\xE4\xB8\xAD\xE6\x96\x87\r\n"));

    ASSERT_EQ(RunCli({"-o", path, "--encoding", "ansi", chinese}, {}, gbkLocale).ExitCode, 0);
    EXPECT_EQ(Decode(QImage(path)), QByteArray("\xD6\xD0\xCE\xC4\r\n"));

    // Under C the code page is Western European: the Chinese characters become '?' each.
    ASSERT_EQ(RunCli({"-o", path, "--encoding", "ansi", QString::fromUtf8("中é文")}).ExitCode, 0);
    EXPECT_EQ(Decode(QImage(path)), QByteArray("?\xE9?"));

    // Standard input is never converted.
    const QByteArray raw("\xE4\xB8\xAD");
    ASSERT_EQ(RunCli({"-o", path, "--encoding", "ansi"}, raw, gbkLocale).ExitCode, 0);
    EXPECT_EQ(Decode(QImage(path)), raw);
}

TEST(CliInput, KanjiModeAutomaticOnlyForShiftJisText) {
    const QString text = QString::fromUtf8("日本語のテキスト");
    const QString japanese = QStringLiteral("ja_JP.UTF-8");
    auto matrix = [&](QStringList arguments, const QByteArray& input = {}) {
        const CliRun run = RunCli(arguments, input, japanese);
        EXPECT_EQ(run.ExitCode, 0) << arguments.join(' ').toStdString();
        return run.Out.toStdString();
    };
    // ANSI under a Japanese locale is Shift JIS: auto means on.
    const std::string ansiAuto = matrix({"--encoding", "ansi", text});
    EXPECT_EQ(ansiAuto, matrix({"--encoding", "ansi", "--kanji", "on", text}));
    EXPECT_NE(ansiAuto, matrix({"--encoding", "ansi", "--kanji", "off", text}));
    // UTF-8 bytes can look like Kanji pairs too (U+6581 is E6 96 81, so a run of it pairs up
    // completely); auto keeps Kanji mode off for them.
    const QString pairs(10, QChar(0x6581));
    const std::string utf8Auto = matrix({pairs});
    EXPECT_EQ(utf8Auto, matrix({"--kanji", "off", pairs}));
    EXPECT_NE(utf8Auto, matrix({"--kanji", "on", pairs}));
    EXPECT_EQ(matrix({text}), matrix({"--kanji", "off", text}));
    // Standard input: off unless asked for.
    const QByteArray shiftJis("\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67");
    EXPECT_EQ(matrix({}, shiftJis), matrix({"--kanji", "off"}, shiftJis));
    EXPECT_NE(matrix({}, shiftJis), matrix({"--kanji", "on"}, shiftJis));
    EXPECT_EQ(matrix({"--kanji", "on"}, shiftJis), ansiAuto);
    // ANSI under a Chinese locale is GBK: auto means off there, even for characters whose GBK
    // bytes (璧 E8 B5, 瑾 E8 AA, 甑 EA B5) all look like Kanji pairs.
    const QString chinese = QString::fromUtf8("璧瑾璎瓒甑璧瑾璎瓒甑");
    auto gbkMatrix = [&](QStringList arguments) {
        arguments << "--encoding"
                  << "ansi" << chinese;
        const CliRun run = RunCli(arguments, {}, QStringLiteral("zh_CN.UTF-8"));
        EXPECT_EQ(run.ExitCode, 0);
        return run.Out.toStdString();
    };
    EXPECT_EQ(gbkMatrix({}), gbkMatrix({"--kanji", "off"}));
    EXPECT_NE(gbkMatrix({}), gbkMatrix({"--kanji", "on"}));

    // Whatever the mode, a reader gets the Shift JIS bytes back.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("kanji.png"));
    ASSERT_EQ(RunCli({"-o", path, "--encoding", "ansi", text}, {}, japanese).ExitCode, 0);
    EXPECT_EQ(Decode(QImage(path)), shiftJis);
}

// ---- Files ----

TEST(CliFiles, PicturesHaveQuietZoneAndWholePixelsPerModule) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* format : {"png", "bmp"}) {
        for (const int scale : {1, 4, 7}) {
            const QString path =
                folder.filePath(QStringLiteral("abc%1.%2").arg(scale).arg(QLatin1String(format)));
            const CliRun run = RunCli({"-o", path, "--scale", QString::number(scale), "abc"});
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            EXPECT_TRUE(run.Out.isEmpty());
            EXPECT_TRUE(run.Err.isEmpty());
            const QImage picture(path, format);
            ASSERT_FALSE(picture.isNull()) << format << " " << scale;
            EXPECT_EQ(picture.width(), 29 * scale);
            EXPECT_EQ(picture.height(), 29 * scale);
            EXPECT_TRUE(PictureShowsMatrix(picture, AbcRows(), scale)) << format << " " << scale;
            EXPECT_EQ(Decode(picture), QByteArray("abc")) << format << " " << scale;
        }
    }
}

TEST(CliFiles, LargestSymbolAtLargeScale) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("big.png"));
    const QString text = Letters(1663);
    const CliRun run = RunCli({"-o", path, "--scale", "5", text});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QImage picture(path);
    EXPECT_EQ(picture.size(), QSize(185 * 5, 185 * 5));
    EXPECT_EQ(Decode(picture), text.toLatin1());
    const CliRun matrix = RunCli({text});
    EXPECT_TRUE(PictureShowsMatrix(picture, Lines(matrix.Out), 5));
}

TEST(CliFiles, SvgIsACrispDrawingWithQuietZone) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const int scale : {1, 4}) {
        const QString path = folder.filePath(QStringLiteral("abc%1.svg").arg(scale));
        const CliRun run = RunCli({"-o", path, "--scale", QString::number(scale), "abc"});
        ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        const QByteArray svg = ReadFile(path);
        EXPECT_TRUE(svg.contains("crispEdges"));
        QSvgRenderer renderer(path);
        ASSERT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.viewBoxF(), QRectF(0, 0, 29, 29));
        EXPECT_EQ(renderer.defaultSize(), QSize(29 * scale, 29 * scale));
        // Rendered at whole pixels per module, every pixel matches the matrix.
        for (const int pixels : {4, 10}) {
            const QImage image = RenderSvg(path, QSize(29 * pixels, 29 * pixels));
            EXPECT_TRUE(PictureShowsMatrix(image, AbcRows(), pixels)) << pixels;
            EXPECT_EQ(Decode(image), QByteArray("abc"));
        }
    }
}

TEST(CliFiles, FormatFollowsTheExtensionUnlessGiven) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Case {
        QString Name;
        QStringList Extra;
        QByteArray Start;
    };
    const std::vector<Case> cases = {
        {"a.png", {}, "\x89PNG\r\n"},
        {"b.PNG", {}, "\x89PNG\r\n"},
        {"c.bmp", {}, "BM"},
        {"d.svg", {}, "<?xml"},
        {"e.txt", {}, "111111101100101111111\n"},
        {"f", {}, "111111101100101111111\n"},
        {"g.png", {"--format", "matrix"}, "111111101100101111111\n"},
        {"h.txt", {"--format", "png"}, "\x89PNG\r\n"},
        {"i.svg", {"--format", "bmp"}, "BM"},
    };
    for (const Case& c : cases) {
        const QString path = folder.filePath(c.Name);
        QStringList arguments = c.Extra;
        arguments << "-o" << path << "abc";
        const CliRun run = RunCli(arguments);
        ASSERT_EQ(run.ExitCode, 0) << c.Name.toStdString() << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_TRUE(ReadFile(path).startsWith(c.Start)) << c.Name.toStdString();
    }
    EXPECT_EQ(ReadFile(folder.filePath("e.txt")), RunCli({"abc"}).Out);
    // Pictures can go to standard output too.
    EXPECT_TRUE(RunCli({"--format", "png", "abc"}).Out.startsWith("\x89PNG\r\n"));
    const CliRun bmp = RunCli({"--format", "bmp", "abc"});
    EXPECT_EQ(QImage::fromData(bmp.Out, "BMP").size(), QSize(29, 29));
}

TEST(CliFiles, DataTooLongLeavesNoFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"long.png", "long.bmp", "long.svg", "long.txt"}) {
        const CliRun run = RunCli({"-o", folder.filePath(name), Letters(1664)});
        EXPECT_EQ(run.ExitCode, 1) << name;
        EXPECT_TRUE(run.Err.contains("does not fit")) << name;
    }
    EXPECT_TRUE(Entries(folder).isEmpty()) << Entries(folder).join(' ').toStdString();

    // An existing file stays as it was.
    const QString path = folder.filePath(QStringLiteral("keep.png"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old contents");
    }
    EXPECT_EQ(RunCli({"-o", path, Letters(1664)}).ExitCode, 1);
    EXPECT_EQ(ReadFile(path), QByteArray("old contents"));
    EXPECT_EQ(Entries(folder), QStringList{"keep.png"});
}

TEST(CliFiles, ExistingFileIsReplacedWhole) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("out.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(10000, 'z'));
    }
    ASSERT_EQ(RunCli({"-o", path, "abc"}).ExitCode, 0);
    EXPECT_EQ(Lines(ReadFile(path)), AbcRows());
    EXPECT_EQ(Entries(folder), QStringList{"out.txt"});
}

TEST(CliFiles, UnwritableOutputExitsWithStatusThree) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString missing = folder.filePath(QStringLiteral("no/such/folder/out.png"));
    const CliRun run = RunCli({"-o", missing, "abc"});
    EXPECT_FALSE(run.Crashed);
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_TRUE(run.Err.contains(missing.toUtf8())) << run.Err.toStdString();
    EXPECT_TRUE(Entries(folder).isEmpty());

    // A folder is not a file: it stays a folder and gets nothing inside.
    const CliRun intoFolder = RunCli({"-o", folder.path(), "abc"});
    EXPECT_EQ(intoFolder.ExitCode, 3);
    EXPECT_FALSE(intoFolder.Err.isEmpty());
    EXPECT_TRUE(QFileInfo(folder.path()).isDir());
    EXPECT_TRUE(Entries(folder).isEmpty());
}

// ---- Terminal output ----

TEST(CliTerminal, Utf8HalfBlocksShowTheMatrixWithItsQuietZone) {
    for (const QString& text :
         {QStringLiteral("abc"), QStringLiteral("https://example.com/p/42")}) {
        const std::vector<std::string> rows = MatrixOf({text});
        for (const int margin : {0, 1, 4}) {
            for (const bool invert : {false, true}) {
                QStringList arguments{"--format", "utf8", "--margin", QString::number(margin)};
                if (invert) {
                    arguments << "--invert";
                }
                arguments << text;
                const CliRun run = RunCli(arguments);
                const std::string shown = arguments.join(' ').toStdString();
                ASSERT_EQ(run.ExitCode, 0) << shown << ": " << run.Err.toStdString();
                // The ink draws the light modules on a dark terminal, the dark ones inverted.
                const auto parsed = ParseHalfBlocks(run.Out, invert);
                ASSERT_TRUE(parsed) << shown;
                const auto expected = WithMargin(rows, margin);
                const std::size_t side = expected.size();
                ASSERT_EQ(parsed->size(), side + 1) << shown; // the side is odd
                // The lower half of the last line has no ink.
                EXPECT_EQ(parsed->back(), std::string(side, invert ? '0' : '1')) << shown;
                const std::vector<std::string> modules(parsed->begin(), parsed->end() - 1);
                EXPECT_EQ(modules, expected) << shown;
                if (margin > 0) {
                    EXPECT_EQ(Decode(RowsPicture(modules, 4)), text.toUtf8()) << shown;
                }
            }
        }
    }
}

TEST(CliTerminal, AnsiColoursShowTheMatrixWithItsQuietZone) {
    const std::vector<std::string> rows = AbcRows();
    for (const int margin : {0, 2, 4}) {
        for (const bool invert : {false, true}) {
            QStringList arguments{"--format=ansi", "--margin", QString::number(margin), "abc"};
            if (invert) {
                arguments.prepend("--invert");
            }
            const CliRun run = RunCli(arguments);
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            const auto parsed = ParseAnsi(run.Out, invert);
            ASSERT_TRUE(parsed) << arguments.join(' ').toStdString();
            EXPECT_EQ(*parsed, WithMargin(rows, margin)) << arguments.join(' ').toStdString();
        }
    }
    const CliRun run = RunCli({"--format", "ansi", "abc"});
    EXPECT_EQ(Decode(RowsPicture(*ParseAnsi(run.Out, false), 4)), QByteArray("abc"));
}

TEST(CliTerminal, Utf8IsTheDefaultOnATerminalOnly) {
    // script(1) gives the tool a terminal as standard output.
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty()) {
        GTEST_SKIP() << "script(1) is not installed";
    }
    QProcess process;
    process.start(QStringLiteral("script"),
                  {"-qec", QStringLiteral("'%1' abc").arg(Cli), QStringLiteral("/dev/null")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    QByteArray out = process.readAllStandardOutput();
    out.replace("\r\n", "\n"); // the terminal's line ends
    const auto parsed = ParseHalfBlocks(out, false);
    ASSERT_TRUE(parsed) << out.toStdString();
    EXPECT_EQ(std::vector<std::string>(parsed->begin(), parsed->end() - 1),
              WithMargin(AbcRows(), 4));

    // "-o -" names standard output as a file: a matrix, as before.
    QProcess named;
    named.start(QStringLiteral("script"),
                {"-qec", QStringLiteral("'%1' -o - abc").arg(Cli), QStringLiteral("/dev/null")});
    ASSERT_TRUE(named.waitForFinished(60000));
    QByteArray matrix = named.readAllStandardOutput();
    matrix.replace("\r\n", "\n");
    EXPECT_EQ(Lines(matrix), AbcRows());

    // A matrix when standard output is a pipe or a file, whatever the terminal around it.
    EXPECT_EQ(Lines(RunCli({"abc"}).Out), AbcRows());
}

// ---- Margins and colours in pictures ----

TEST(CliPictures, MarginSetsTheQuietZoneOfEveryFormat) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const int margin : {0, 1, 7, 64}) {
        const auto rows = WithMargin(AbcRows(), margin);
        for (const char* format : {"png", "bmp"}) {
            const QString path = folder.filePath(QStringLiteral("m%1.%2").arg(margin).arg(format));
            const CliRun run =
                RunCli({"-o", path, "--scale", "3", "--margin", QString::number(margin), "abc"});
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            const QImage picture(path);
            EXPECT_TRUE(PictureShowsRows(picture, rows, 3, qRgb(0, 0, 0), qRgb(255, 255, 255)))
                << format << " margin " << margin;
            if (margin > 0) {
                EXPECT_EQ(Decode(picture), QByteArray("abc")) << format << " margin " << margin;
            }
        }
        const QString svg = folder.filePath(QStringLiteral("m%1.svg").arg(margin));
        ASSERT_EQ(RunCli({"-o", svg, "--margin", QString::number(margin), "abc"}).ExitCode, 0);
        const int side = static_cast<int>(rows.size());
        EXPECT_EQ(QSvgRenderer(svg).viewBoxF(), QRectF(0, 0, side, side));
        EXPECT_TRUE(PictureShowsRows(RenderSvg(svg, QSize(side * 4, side * 4)), rows, 4,
                                     qRgb(0, 0, 0), qRgb(255, 255, 255)))
            << "svg margin " << margin;
    }
    // Given for the matrix, the margin pads it with light modules.
    EXPECT_EQ(MatrixOf({"--margin", "2", "abc"}), WithMargin(AbcRows(), 2));
}

TEST(CliPictures, ForegroundAndBackgroundColourPngAndSvg) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto rows = WithMargin(AbcRows(), 4);
    const QRgb blue = qRgb(0x1a, 0x23, 0x7e);
    const QRgb cream = qRgb(0xff, 0xf8, 0xe1);
    const QString png = folder.filePath(QStringLiteral("colours.png"));
    CliRun run = RunCli(
        {"-o", png, "--scale", "4", "--foreground", "1A237E", "--background=#fff8e1", "abc"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString(); // contrast 13:1, no warning
    EXPECT_TRUE(PictureShowsRows(QImage(png), rows, 4, blue, cream));
    EXPECT_EQ(Decode(QImage(png)), QByteArray("abc"));

    const QString svg = folder.filePath(QStringLiteral("colours.svg"));
    ASSERT_EQ(
        RunCli({"-o", svg, "--foreground", "1a237e", "--background", "fff8e1", "abc"}).ExitCode, 0);
    const QImage drawn = RenderSvg(svg, QSize(29 * 4, 29 * 4));
    EXPECT_TRUE(PictureShowsRows(drawn, rows, 4, blue, cream));
    EXPECT_EQ(ZbarText(drawn), QStringLiteral("abc"));

    // A transparent background: the light modules keep no colour.
    const QString clear = folder.filePath(QStringLiteral("clear.png"));
    ASSERT_EQ(RunCli({"-o", clear, "--background", "ffffff00", "--scale", "2", "abc"}).ExitCode, 0);
    EXPECT_TRUE(PictureShowsRows(QImage(clear), rows, 2, qRgb(0, 0, 0), qRgba(0, 0, 0, 0)));
}

TEST(CliPictures, LowContrastWarnsWithoutFailing) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("grey.png"));
    struct Case {
        QString Foreground;
        QString Background;
        bool Warns;
    };
    // Contrast ratios: 777777 on 888888 1.3, 767676 on white 4.5, 999999 on white 2.8; white
    // on black is 21 but the wrong way round.
    const std::vector<Case> cases = {{"777777", "888888", true},
                                     {"767676", "ffffff", false},
                                     {"999999", "ffffff", true},
                                     {"ffffff", "000000", true},
                                     {"000000", "ffffff", false}};
    for (const Case& c : cases) {
        const CliRun run =
            RunCli({"-o", path, "--foreground", c.Foreground, "--background", c.Background, "abc"});
        EXPECT_EQ(run.ExitCode, 0) << c.Foreground.toStdString();
        EXPECT_EQ(run.Err.contains("warning"), c.Warns)
            << c.Foreground.toStdString() << " on " << c.Background.toStdString() << ": "
            << run.Err.toStdString();
        EXPECT_TRUE(QFileInfo::exists(path));
    }
}

TEST(CliPictures, PngWithoutNewOptionsHasTheSamePixelsAsBmp) {
    // The PNG writer is the tool's own, the BMP one Qt's: both show the same symbol.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString text = Letters(300);
    for (const int scale : {1, 5}) {
        const QString png = folder.filePath(QStringLiteral("s%1.png").arg(scale));
        const QString bmp = folder.filePath(QStringLiteral("s%1.bmp").arg(scale));
        ASSERT_EQ(RunCli({"-o", png, "--scale", QString::number(scale), text}).ExitCode, 0);
        ASSERT_EQ(RunCli({"-o", bmp, "--scale", QString::number(scale), text}).ExitCode, 0);
        EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32),
                  QImage(bmp).convertToFormat(QImage::Format_RGB32));
        EXPECT_TRUE(PictureShowsMatrix(QImage(png), Lines(RunCli({text}).Out), scale));
    }
}

TEST(CliUsage, NewOptionsRefuseBadValuesWithStatusTwo) {
    const std::vector<QStringList> cases = {
        {"--format", "jpg", "abc"},
        {"--format", "utf-16", "abc"},
        {"--margin", "65", "abc"},
        {"--margin", "-1", "abc"},
        {"--margin", "four", "abc"},
        {"--margin", "", "abc"},
        {"--foreground", "12345", "-o", "a.png", "abc"},
        {"--foreground", "12345g", "-o", "a.png", "abc"},
        {"--background", "#1234567", "-o", "a.png", "abc"},
        {"--background", "-12345", "-o", "a.png", "abc"},
        {"--foreground", "000000", "-o", "a.bmp", "abc"},
        {"--background", "ffffff", "--format", "matrix", "abc"},
        {"--invert", "-o", "a.png", "abc"},
        {"--mask", "best", "abc"},
        {"--eci", "on", "abc"},
        {"--batch", "-o", "label.png"},
        {"--batch", "-o", "label-%x.png"},
        {"--batch", "-o", "label-%05s.png"},
        {"--batch", "--format", "png"},
        {"--batch", "a.txt", "b.txt"},
        {"--batch=a.txt", "b.txt"},
        {"--margin"},
    };
    for (const QStringList& arguments : cases) {
        const CliRun run = RunCli(arguments, "abc\n");
        const std::string shown = arguments.join(' ').toStdString();
        EXPECT_FALSE(run.Crashed) << shown;
        EXPECT_EQ(run.ExitCode, 2) << shown;
        EXPECT_TRUE(run.Out.isEmpty()) << shown;
        EXPECT_TRUE(run.Err.startsWith("ostrel-qr-cli: "))
            << shown << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("--help")) << shown;
        EXPECT_EQ(run.Err.count('\n'), 2) << shown << ": " << run.Err.toStdString();
    }
    // The reasons name what is wrong.
    EXPECT_TRUE(RunCli({"--format", "jpg", "abc"}).Err.contains("'jpg'"));
    EXPECT_TRUE(RunCli({"--margin", "65", "abc"}).Err.contains("0..64"));
    EXPECT_TRUE(RunCli({"--foreground", "12345g", "-o", "a.png", "x"}).Err.contains("RRGGBB"));
    EXPECT_TRUE(RunCli({"--foreground", "000000", "-o", "a.bmp", "x"}).Err.contains("bmp"));
    EXPECT_TRUE(RunCli({"--batch", "-o", "label.png"}).Err.contains("%d"));
}

// ---- Best mask and declared character set ----

TEST(CliMask, AutoKeepsTheMaskItNamesAndReads) {
    std::set<int> chosen;
    for (const QString& text :
         {QStringLiteral("abc"), QStringLiteral("HELLO WORLD"), QStringLiteral("0123456789"),
          QStringLiteral("https://example.com/p/SN-2026-000042"), Letters(200)}) {
        const auto rows = MatrixOf({"--mask", "auto", text});
        const int mask = MaskOf(rows);
        ASSERT_GE(mask, 0) << text.toStdString();
        chosen.insert(mask);
        // The symbol is the one of that mask, given by hand.
        EXPECT_EQ(rows, MatrixOf({"--mask", QString::number(mask), text})) << text.toStdString();
        const QImage picture = RowsPicture(WithMargin(rows, 4), 4);
        EXPECT_EQ(Decode(picture), text.toUtf8());
        EXPECT_EQ(ZbarText(picture), text);
    }
    // Not simply mask 0 every time.
    EXPECT_GT(chosen.size(), 1U);
    // The default stays mask 0.
    EXPECT_EQ(MaskOf(MatrixOf({"https://example.com/p/SN-2026-000042"})), 0);
}

TEST(CliEci, AutoDeclaresUtf8AndTheAnsiCodePage) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("eci.png"));
    const QString texts[] = {QString::fromUtf8("中文的二维条码"), QString::fromUtf8("Grüße, café"),
                             QString::fromUtf8("日本語のテキスト")};
    for (const QString& text : texts) {
        ASSERT_EQ(RunCli({"-o", path, "--scale", "4", "--eci", "auto", text}).ExitCode, 0);
        EXPECT_EQ(DecodeText(QImage(path)), text) << text.toStdString();
        EXPECT_EQ(ZbarText(QImage(path)), text) << text.toStdString();
        // The designator adds bits: the symbol differs from the one without it.
        EXPECT_NE(MatrixOf({"--eci", "auto", text}), MatrixOf({text}));
    }
    // GBK under a Chinese locale, declared as such (ECI 29): zxing-cpp shows the text.
    const QString chinese = texts[0];
    ASSERT_EQ(RunCli({"-o", path, "--encoding", "ansi", "--eci", "auto", chinese}, {},
                     QStringLiteral("zh_CN.UTF-8"))
                  .ExitCode,
              0);
    EXPECT_EQ(DecodeText(QImage(path)), chinese);

    // Plain ASCII and the default: exactly today's symbol.
    EXPECT_EQ(MatrixOf({"--eci", "auto", "abc"}), AbcRows());
    EXPECT_EQ(MatrixOf({"--eci", "off", chinese}), MatrixOf({chinese}));
}

// ---- Batch runs ----

TEST(CliBatch, GoodEmptyTooLongAndUnwritableLines) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Line 6 cannot be written: a folder holds its name.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("00006.png")));
    const QByteArray input =
        "alpha\n\nbeta\r\n" + Letters(1700).toLatin1() + "\ngamma\ndelta\n\r\nepsilon";
    const CliRun run = RunCli(
        {"--batch", "--scale", "2", "-o", folder.filePath(QStringLiteral("%05d.png"))}, input);
    EXPECT_FALSE(run.Crashed);
    EXPECT_EQ(run.ExitCode, 1) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.isEmpty());
    const std::map<QString, QByteArray> expected = {{"00001.png", "alpha"},
                                                    {"00003.png", "beta"},
                                                    {"00005.png", "gamma"},
                                                    {"00008.png", "epsilon"}};
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(Decode(QImage(folder.filePath(name))), text) << name.toStdString();
    }
    // Nothing else: no file for the empty, too long or unwritable lines, no temporary file.
    QStringList names = Entries(folder);
    names.sort();
    EXPECT_EQ(names,
              QStringList({"00001.png", "00003.png", "00005.png", "00006.png", "00008.png"}));
    EXPECT_TRUE(QDir(folder.filePath(QStringLiteral("00006.png"))).isEmpty());
    // Each failure with its line number, the summary, the list.
    EXPECT_TRUE(run.Err.contains("line 4: the data does not fit")) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("line 6: cannot write")) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("4 symbols written, 2 lines failed, 2 empty lines skipped"))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("failed lines: 4, 6\n")) << run.Err.toStdString();
}

TEST(CliBatch, AllGoodLinesExitZeroAndNameFilesByText) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString list = folder.filePath(QStringLiteral("list.txt"));
    WriteFile(list, "a/b c\nSN-001\n..hidden\n中文\n");
    const QString out = folder.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("out")));
    for (const QStringList& spelling :
         {QStringList{"--batch", list}, QStringList{QStringLiteral("--batch=") + list},
          QStringList{"--batch", "--", list}}) {
        QStringList arguments{"-o", out + QStringLiteral("/%d-%s.svg"), "--level", "H"};
        arguments += spelling;
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("4 symbols written, 0 lines failed, 0 empty lines skipped"))
            << run.Err.toStdString();
        QStringList names = QDir(out).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        EXPECT_EQ(names, QStringList({"1-a_b_c.svg", "2-SN-001.svg", "3-_.hidden.svg", "4-_.svg"}));
        const QImage drawn = RenderSvg(out + QStringLiteral("/4-_.svg"), QSize(29 * 4, 29 * 4));
        EXPECT_EQ(Decode(drawn), QByteArray("中文"));
    }
    // A missing list: status 3.
    const CliRun missing = RunCli({"--batch", folder.filePath(QStringLiteral("none.txt")), "-o",
                                   out + QStringLiteral("/%d.png")});
    EXPECT_EQ(missing.ExitCode, 3);
    EXPECT_TRUE(missing.Err.contains("none.txt")) << missing.Err.toStdString();
}

TEST(CliBatch, SymbolsOnStandardOutputKeepLineOrderAndOptions) {
    // More lines than one window of work, so that the order across windows shows.
    QByteArray input;
    const int count = 1500;
    for (int line = 1; line <= count; ++line) {
        input += "SN-" + QByteArray::number(line) + "\n";
    }
    const CliRun run = RunCli({"--batch", "--level", "H", "--mask", "5"}, input);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QList<QByteArray> blocks = run.Out.split('\n');
    std::vector<std::vector<std::string>> symbols(1);
    for (const QByteArray& row : blocks) {
        if (row.isEmpty()) {
            symbols.emplace_back();
        } else {
            symbols.back().push_back(row.toStdString());
        }
    }
    while (!symbols.empty() && symbols.back().empty()) {
        symbols.pop_back();
    }
    ASSERT_EQ(static_cast<int>(symbols.size()), count);
    for (int line = 1; line <= count; line += 97) {
        const auto& rows = symbols[static_cast<std::size_t>(line - 1)];
        EXPECT_EQ(ReadFormatWords(rows).first, FormatWord(LevelBits('H'), 5)) << line;
        EXPECT_EQ(Decode(RowsPicture(WithMargin(rows, 4), 3)), "SN-" + QByteArray::number(line))
            << line;
    }
    // utf8 symbols too, an empty line between two.
    const CliRun terminal = RunCli({"--batch", "--format", "utf8"}, "abc\nabc\n");
    const QByteArray one = RunCli({"--format", "utf8", "abc"}).Out;
    EXPECT_EQ(terminal.Out, one + "\n" + one);
}

TEST(CliBatch, ProgressLineOnATerminalOnly) {
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty()) {
        GTEST_SKIP() << "script(1) is not installed";
    }
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QByteArray list;
    // More lines than one window of work (1024 lines on most machines).
    for (int line = 1; line <= 2500; ++line) {
        list += QByteArray::number(line) + "\n";
    }
    WriteFile(folder.filePath(QStringLiteral("list.txt")), list);
    const QString command = QStringLiteral("'%1' --batch '%2' -o '%3'")
                                .arg(Cli, folder.filePath(QStringLiteral("list.txt")),
                                     folder.filePath(QStringLiteral("%d.png")));
    // Standard error on a terminal: the progress line (count, rate, time left), then the summary.
    QProcess process;
    process.start(QStringLiteral("script"), {"-qec", command, QStringLiteral("/dev/null")});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0);
    const QByteArray screen = process.readAllStandardOutput();
    EXPECT_TRUE(screen.contains(" of 2500 lines, ")) << screen.toStdString();
    EXPECT_TRUE(screen.contains(" s left")) << screen.toStdString();
    EXPECT_TRUE(screen.contains("2500 symbols written")) << screen.toStdString();
    // Not on a pipe: the summary alone.
    const CliRun piped = RunCli({"--batch", folder.filePath(QStringLiteral("list.txt")), "-o",
                                 folder.filePath(QStringLiteral("%d.png"))});
    EXPECT_EQ(piped.ExitCode, 0);
    EXPECT_FALSE(piped.Err.contains(" s left"));
    EXPECT_EQ(piped.Err.count('\n'), 1) << piped.Err.toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList({"*.png"}).size(), 2500);
}

TEST(CliBatch, UnwritableFolderFailsEveryLineAndLeavesNothing) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const CliRun run =
        RunCli({"--batch", "-o", folder.filePath(QStringLiteral("missing/%d.png"))}, "a\nb\nc\n");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains("0 symbols written, 3 lines failed")) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("failed lines: 1, 2, 3")) << run.Err.toStdString();
    EXPECT_TRUE(Entries(folder).isEmpty());
}

TEST(CliBatch, ExistingFilesAreReplacedWhole) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString first = folder.filePath(QStringLiteral("1.png"));
    WriteFile(first, QByteArray(100000, 'z'));
    const CliRun run =
        RunCli({"--batch", "-o", folder.filePath(QStringLiteral("%d.png"))}, "new\n");
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(Decode(QImage(first)), QByteArray("new"));
    EXPECT_EQ(Entries(folder), QStringList{"1.png"});
}
