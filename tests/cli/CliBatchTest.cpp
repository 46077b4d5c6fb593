// --batch: one symbol per line, named files, failed and empty lines, the summary and progress.
#include "CliChecks.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ostrel::test {
namespace {

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
        EXPECT_EQ(names,
                  QStringList({"1-a_b c.svg", "2-SN-001.svg", "3-_.hidden.svg", "4-中文.svg"}));
        const QImage drawn = RenderSvg(out + QStringLiteral("/4-中文.svg"), QSize(29 * 4, 29 * 4));
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

} // namespace
} // namespace ostrel::test
