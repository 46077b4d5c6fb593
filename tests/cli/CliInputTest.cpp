// What gets encoded: text or standard input, UTF-8 or the ANSI code page, Kanji mode, and the
// character set declared with --eci.
#include "CliChecks.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace ostrel::test {
namespace {

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

} // namespace
} // namespace ostrel::test
