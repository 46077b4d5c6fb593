// The module matrix the tool prints: the worked example, the defaults, the format information,
// versions and capacity, and the mask that --mask auto chooses.
#include "CliChecks.h"
#include "TestFiles.h"

#include <QImage>

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace ostrel::test {
namespace {

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
    // The amount in the message, counted right for one byte too, alone and in a batch, and what
    // the version holds (M1 takes digits only).
    const struct {
        QStringList Arguments;
        QByteArray Input;
        const char* Amount;
    } amounts[] = {
        {{"--symbol-version", "1", "--level", "M", Letters(15)},
         {},
         "(15 bytes; it holds 14 bytes)"},
        {{"--symbology", "micro", "--symbol-version", "M1", "a"}, {}, "(1 byte; it takes no bytes"},
        {{"--symbology", "micro", "--symbol-version", "M1", "--batch"},
         "a\n",
         "(1 byte; it takes no bytes"},
    };
    for (const auto& c : amounts) {
        const CliRun run = RunCli(c.Arguments, c.Input);
        EXPECT_EQ(run.ExitCode, 1) << c.Amount;
        EXPECT_TRUE(run.Err.contains(c.Amount)) << run.Err.toStdString();
    }
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

// --boost-level: the version of the level asked stays, the format information names the highest
// level that still holds the data, and the matrix is the plain one of that version and level; the
// same in a batch, whose manifest records the level used.
TEST(CliBoostLevel, TakesTheHighestLevelTheVersionHoldsAndIsThePlainSymbolOfIt) {
    const auto [abcFirst, abcSecond] = ReadFormatWords(MatrixOf({"--boost-level", "abc"}));
    EXPECT_EQ(abcFirst, FormatWord(LevelBits('H'), 0)); // Q asked: version 1-H holds "abc"
    EXPECT_EQ(abcSecond, abcFirst);
    const struct {
        QStringList Boosted;
        QStringList Plain;
    } cases[] = {
        {{"--boost-level", "abc"}, {"--level", "H", "abc"}},
        {{"--boost-level", "--level", "L", Letters(14)}, {"--level", "M", Letters(14)}},
        {{"--level", "L", "--boost-level", "--symbol-version", "3", Letters(20)},
         {"--level", "H", "--symbol-version", "3", Letters(20)}},
        {{"--level", "Q", "--boost-level", Letters(17)}, {"--level", "Q", Letters(17)}},
        {{"--symbology", "micro", "--boost-level", "123456"},
         {"--symbology", "micro", "--symbol-version", "M2", "--level", "M", "123456"}},
        {{"--symbology", "micro", "--boost-level", "12345"},
         {"--symbology", "micro", "--level", "L", "12345"}}, // M1: error detection only
        {{"--symbology", "rmqr", "--boost-level", "123"},
         {"--symbology", "rmqr", "--symbol-version", "R11x27", "--level", "H", "123"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> boosted = MatrixOf(c.Boosted);
        ASSERT_FALSE(boosted.empty()) << c.Boosted.join(' ').toStdString();
        EXPECT_EQ(boosted, MatrixOf(c.Plain)) << c.Boosted.join(' ').toStdString();
    }
    // Without the option the level asked: Q.
    EXPECT_EQ(ReadFormatWords(MatrixOf({"abc"})).first, FormatWord(LevelBits('Q'), 0));

    QTemporaryDir folder;
    const QString manifest = folder.filePath(QStringLiteral("m.jsonl"));
    const CliRun batch =
        RunCli({"--batch", "--boost-level", "--level", "L", "--symbol-version", "1", "--manifest",
                manifest, "--format", "matrix", "-o", folder.filePath(QStringLiteral("%d.txt"))},
               "abc\n" + Letters(14).toUtf8() + "\n");
    ASSERT_EQ(batch.ExitCode, 0) << batch.Err.toStdString();
    const QList<QByteArray> rows = ReadFile(manifest).trimmed().split('\n');
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].contains("\"level\":\"H\"")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].contains("\"level\":\"M\"")) << rows[1].toStdString();
    EXPECT_EQ(Lines(ReadFile(folder.filePath(QStringLiteral("2.txt")))),
              MatrixOf({"--symbol-version", "1", "--level", "M", Letters(14)}));
}

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

} // namespace
} // namespace ostrel::test
