// The symbol drawn in a terminal: half blocks, ANSI colours, and utf8 as the default on a
// terminal only.
#include "CliChecks.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel::test {
namespace {

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

} // namespace
} // namespace ostrel::test
