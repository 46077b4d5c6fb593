// Bad usage and bad option values (status 2, a reason, no file), --help and --version.
#include "CliChecks.h"
#include "OptionTable.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrel::test {
namespace {

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
                                 "--mask N|auto",
                                 "--symbology qr|micro|rmqr",
                                 "--rmqr-height",
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

TEST(CliUsage, BadOptionValuesExitWithStatusTwoAndSayWhy) {
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

// Every row of the option table shows in --help with its names, value and first help line, the
// option part of --help stays within 79 columns (help2man), and every row refuses a bad value
// (an empty one; for a flag, any value) with status 2 and nothing on standard output.
TEST(CliUsage, EveryOptionOfTheTableIsInHelpAndRefusesABadValue) {
    using ostrel::cli::OptionValue;
    const QString help = QString::fromUtf8(RunCli({"--help"}).Out);
    const qsizetype from = help.indexOf(QStringLiteral("\nOptions:\n"));
    const qsizetype to = help.indexOf(QStringLiteral("\nAn option's value"));
    ASSERT_TRUE(from > 0 && to > from);
    for (const QString& line : help.mid(from, to - from).split('\n')) {
        EXPECT_LE(line.size(), 79) << line.toStdString();
    }
    for (const ostrel::cli::OptionRow& row : ostrel::cli::OptionTable()) {
        const std::string name = "--" + std::string(row.Long);
        std::string shown = row.Short != 0 ? std::string("-") + row.Short + ", " + name : name;
        if (row.Takes != OptionValue::None) {
            const std::string value(row.ValueName);
            shown += row.Takes == OptionValue::Required ? " " + value : " [" + value + "]";
        }
        const std::string firstLine(row.Help.substr(0, row.Help.find('\n')));
        // The help follows two blanks on, or (for a long value) the line after the names.
        EXPECT_TRUE(help.contains(QString::fromStdString(shown + "  ")) ||
                    help.contains(QString::fromStdString(shown + "\n")))
            << shown;
        EXPECT_TRUE(help.contains(QString::fromStdString(firstLine))) << firstLine;
        const QString bad =
            QString::fromStdString(name + (row.Takes == OptionValue::None ? "=x" : "="));
        const auto run = RunCli({bad, "abc"}, "abc\n");
        EXPECT_EQ(run.ExitCode, 2) << bad.toStdString();
        EXPECT_TRUE(run.Out.isEmpty()) << bad.toStdString();
        EXPECT_TRUE(run.Err.contains("--help"))
            << bad.toStdString() << ": " << run.Err.toStdString();
    }
}

} // namespace
} // namespace ostrel::test
