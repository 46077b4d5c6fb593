// Runs ostrel-qr-cli as a separate process, the way scripts use it, and checks what it writes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace {

const QString Cli = QStringLiteral(OSTREL_QR_CLI);

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

struct RunResult {
    int ExitCode = -1;
    bool Crashed = true;
    QByteArray Out;
    QByteArray Err;
};

// Runs the tool with the arguments and the bytes of standard input, under LC_ALL = locale (and
// neither LC_CTYPE nor LANG).
RunResult RunCli(const QStringList& arguments, const QByteArray& input = {},
                 const QString& locale = QStringLiteral("C.UTF-8")) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.remove(QStringLiteral("LC_CTYPE"));
    environment.remove(QStringLiteral("LANG"));
    process.setProcessEnvironment(environment);
    process.start(Cli, arguments);
    RunResult result;
    if (!process.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << Cli.toStdString();
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "ostrel-qr-cli did not finish";
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.Crashed = process.exitStatus() != QProcess::NormalExit;
    result.ExitCode = process.exitCode();
    result.Out = process.readAllStandardOutput();
    result.Err = process.readAllStandardError();
    return result;
}

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
std::optional<QByteArray> Decode(const QImage& picture) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
    if (gray.width() < 200) {
        const int factor = (200 + gray.width() - 1) / gray.width();
        gray = gray.scaled(gray.width() * factor, gray.height() * factor, Qt::IgnoreAspectRatio,
                           Qt::FastTransformation);
    }
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setTryHarder(true);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(),
                                ZXing::ImageFormat::Lum, static_cast<int>(gray.bytesPerLine()));
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid()) {
        return std::nullopt;
    }
    const auto& bytes = result.bytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QImage RenderSvg(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red); // anything the drawing leaves uncovered shows
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
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

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Entries(const QTemporaryDir& folder) {
    return QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

std::vector<std::string> AbcRows() {
    return Expected(AbcSymbol);
}

} // namespace

// ---- The module matrix ----

TEST(CliMatrix, AbcGivesTheWorkedExampleSymbol) {
    const RunResult run = RunCli({"--format", "matrix", "abc"});
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
        const RunResult run = RunCli(arguments);
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
            const RunResult run = RunCli(
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
        const RunResult run = RunCli(AbcWith({"--symbol-version", QString::number(version)}));
        EXPECT_EQ(run.ExitCode, 0) << version;
        EXPECT_TRUE(IsMatrix(run.Out, 17 + 4 * version)) << "version " << version;
    }
}

TEST(CliMatrix, LargestTextAtLevelQFitsVersion40) {
    const RunResult fits = RunCli({Letters(1663)});
    EXPECT_EQ(fits.ExitCode, 0);
    EXPECT_TRUE(IsMatrix(fits.Out, 177));

    const RunResult tooLong = RunCli({Letters(1664)});
    EXPECT_FALSE(tooLong.Crashed);
    EXPECT_EQ(tooLong.ExitCode, 1);
    EXPECT_TRUE(tooLong.Out.isEmpty());
    EXPECT_TRUE(tooLong.Err.contains("does not fit")) << tooLong.Err.toStdString();
    EXPECT_EQ(tooLong.Err.count('\n'), 1) << tooLong.Err.toStdString();
    EXPECT_TRUE(tooLong.Err.endsWith('\n'));
}

TEST(CliMatrix, GivenVersionMustHoldTheData) {
    // Version 1-M holds 14 bytes (4 + 8 + 112 = 124 bits of 128).
    const RunResult fits = RunCli({"--symbol-version", "1", "--level", "M", Letters(14)});
    EXPECT_EQ(fits.ExitCode, 0);
    EXPECT_TRUE(IsMatrix(fits.Out, 21));
    const RunResult tooLong = RunCli({"--symbol-version", "1", "--level", "M", Letters(15)});
    EXPECT_EQ(tooLong.ExitCode, 1);
    EXPECT_TRUE(tooLong.Out.isEmpty());
    EXPECT_TRUE(tooLong.Err.contains("does not fit")) << tooLong.Err.toStdString();
    EXPECT_TRUE(tooLong.Err.contains("version 1")) << tooLong.Err.toStdString();
}

TEST(CliMatrix, VeryLongInputIsRefusedWithStatusOne) {
    const RunResult argument = RunCli({Letters(100000)});
    EXPECT_EQ(argument.ExitCode, 1);
    EXPECT_TRUE(argument.Out.isEmpty());
    const RunResult input = RunCli({}, QByteArray(5 * 1024 * 1024, 'x'));
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
        const RunResult run = RunCli(arguments);
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
    const RunResult run = RunCli({"-o", path, "--mask", "9", "abc"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(Entries(folder).isEmpty()) << Entries(folder).join(' ').toStdString();
}

TEST(CliUsage, HelpIsComplete) {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const RunResult run = RunCli({option});
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_TRUE(run.Err.isEmpty());
        EXPECT_TRUE(run.Out.startsWith("Usage: ostrel-qr-cli [OPTION]... [TEXT]\n"));
        for (const char* text :
             {"--symbol-version", "--level", "--mask", "--encoding", "--kanji", "--format",
              "-o, --output", "--scale", "-h, --help", "--version", "\nOptions:\n",
              "\nExit status:\n", "\nExamples:\n", "  0 ", "  1 ", "  2 ", "  3 "}) {
            EXPECT_TRUE(run.Out.contains(text)) << "help lacks '" << text << "'";
        }
    }
    // --help wins wherever it stands; nothing is encoded.
    const RunResult late = RunCli({"abc", "--help"});
    EXPECT_EQ(late.ExitCode, 0);
    EXPECT_TRUE(late.Out.startsWith("Usage: "));
}

TEST(CliUsage, VersionNamesProgramAndVersion) {
    const RunResult run = RunCli({"--version"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Out.startsWith("ostrel-qr-cli ")) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(OSTREL_VERSION)) << run.Out.toStdString();
    EXPECT_EQ(run.Out.count('\n'), 1);
}

// ---- Input ----

TEST(CliInput, StandardInputIsEncodedWithoutText) {
    const RunResult run = RunCli({"--format", "matrix"}, "abc");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Lines(run.Out), AbcRows());
    // Empty input is a valid, empty symbol.
    const RunResult empty = RunCli({});
    EXPECT_EQ(empty.ExitCode, 0);
    EXPECT_TRUE(IsMatrix(empty.Out, 21));
    EXPECT_NE(Lines(empty.Out), AbcRows());
}

TEST(CliInput, TextArgumentTakesPrecedenceOverStandardInput) {
    const RunResult run = RunCli({"abc"}, "something else entirely");
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
    const RunResult run = RunCli({"-o", path, "--scale", "4"}, bytes);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.isEmpty());
    EXPECT_EQ(Decode(QImage(path)), bytes);
}

TEST(CliInput, TextAfterDoubleDashMayBeginWithADash) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("dash.png"));
    const RunResult run = RunCli({"-o", path, "--", "-abc"});
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
        const RunResult run = RunCli(arguments, input, japanese);
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
        const RunResult run = RunCli(arguments, {}, QStringLiteral("zh_CN.UTF-8"));
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
            const RunResult run = RunCli({"-o", path, "--scale", QString::number(scale), "abc"});
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
    const RunResult run = RunCli({"-o", path, "--scale", "5", text});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QImage picture(path);
    EXPECT_EQ(picture.size(), QSize(185 * 5, 185 * 5));
    EXPECT_EQ(Decode(picture), text.toLatin1());
    const RunResult matrix = RunCli({text});
    EXPECT_TRUE(PictureShowsMatrix(picture, Lines(matrix.Out), 5));
}

TEST(CliFiles, SvgIsACrispDrawingWithQuietZone) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const int scale : {1, 4}) {
        const QString path = folder.filePath(QStringLiteral("abc%1.svg").arg(scale));
        const RunResult run = RunCli({"-o", path, "--scale", QString::number(scale), "abc"});
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
        const RunResult run = RunCli(arguments);
        ASSERT_EQ(run.ExitCode, 0) << c.Name.toStdString() << ": " << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_TRUE(ReadFile(path).startsWith(c.Start)) << c.Name.toStdString();
    }
    EXPECT_EQ(ReadFile(folder.filePath("e.txt")), RunCli({"abc"}).Out);
    // Pictures can go to standard output too.
    EXPECT_TRUE(RunCli({"--format", "png", "abc"}).Out.startsWith("\x89PNG\r\n"));
    const RunResult bmp = RunCli({"--format", "bmp", "abc"});
    EXPECT_EQ(QImage::fromData(bmp.Out, "BMP").size(), QSize(29, 29));
}

TEST(CliFiles, DataTooLongLeavesNoFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"long.png", "long.bmp", "long.svg", "long.txt"}) {
        const RunResult run = RunCli({"-o", folder.filePath(name), Letters(1664)});
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
    const RunResult run = RunCli({"-o", missing, "abc"});
    EXPECT_FALSE(run.Crashed);
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_TRUE(run.Err.contains(missing.toUtf8())) << run.Err.toStdString();
    EXPECT_TRUE(Entries(folder).isEmpty());

    // A folder is not a file: it stays a folder and gets nothing inside.
    const RunResult intoFolder = RunCli({"-o", folder.path(), "abc"});
    EXPECT_EQ(intoFolder.ExitCode, 3);
    EXPECT_FALSE(intoFolder.Err.isEmpty());
    EXPECT_TRUE(QFileInfo(folder.path()).isDir());
    EXPECT_TRUE(Entries(folder).isEmpty());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
