// ostrel-qr-cli --verify run as a separate process: good symbols pass silently in every format,
// unreadable ones fail with their reason and leave no file, batches go on past a bad line.
// ostrel-qr-cli-faults is the same tool with a disk that returns garbage for the files whose
// path holds OSTREL_VERIFY_DAMAGE.
#include "CliRunner.h"
#include "TestFiles.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using ostrel::test::CliRun;
using ostrel::test::Entries;
using ostrel::test::ReadFile;

const QString Cli = ostrel::test::CliProgram();
const QString FaultyCli = QStringLiteral(OSTREL_QR_CLI_FAULTS);

// Runs the tool (or the one with the simulated disk) with OSTREL_VERIFY_DAMAGE set to damage, or
// unset; it must end normally.
CliRun RunTool(const QString& program, const QStringList& arguments, const QByteArray& input = {},
               const QString& damage = {}) {
    ostrel::test::CliSetting setting;
    setting.Program = program;
    setting.Environment[QStringLiteral("OSTREL_VERIFY_DAMAGE")] = damage;
    CliRun run = ostrel::test::RunCli(arguments, input, setting);
    EXPECT_FALSE(run.Crashed) << program.toStdString() << " did not finish normally";
    return run;
}

const QString Text = QStringLiteral("Ostrel 标签 0001");

TEST(CliVerify, GoodPicturesPassSilentlyAndAreTheSameFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QStringList sizes[] = {{}, {"--scale", "3", "--margin", "2"}, {"--symbol-version", "40"}};
    for (const char* extension : {"png", "bmp", "svg"}) {
        for (const QStringList& size : sizes) {
            const QString plain = folder.filePath(QStringLiteral("plain.") + extension);
            const QString verified = folder.filePath(QStringLiteral("verified.") + extension);
            ASSERT_EQ(RunTool(Cli, QStringList{"-o", plain, Text} + size).ExitCode, 0);
            const CliRun run = RunTool(Cli, QStringList{"--verify", "-o", verified, Text} + size);
            EXPECT_EQ(run.ExitCode, 0) << extension << " " << size.join(' ').toStdString();
            EXPECT_EQ(run.Err, QByteArray()) << extension;
            EXPECT_EQ(run.Out, QByteArray()) << extension;
            if (QByteArray(extension) == "bmp") {
                // Qt's BMP writer leaves the padding at the end of each row as it finds it in
                // memory: the same pixels, but not always the same bytes.
                EXPECT_EQ(QImage(verified), QImage(plain));
            } else {
                EXPECT_EQ(ReadFile(verified), ReadFile(plain)) << extension;
            }
            EXPECT_FALSE(ReadFile(verified).isEmpty()) << extension;
        }
    }
    // Coloured pictures with enough contrast, a transparent ground included.
    for (const char* extension : {"png", "svg"}) {
        const QString path = folder.filePath(QStringLiteral("colour.") + extension);
        const CliRun run = RunTool(Cli, {"--verify", "-o", path, "--foreground", "1a237e",
                                         "--background", "ffffff00", "--scale", "4", Text});
        EXPECT_EQ(run.ExitCode, 0) << extension << run.Err.toStdString();
        EXPECT_TRUE(QFile::exists(path)) << extension;
    }
}

TEST(CliVerify, TerminalFormatsAndMatrixPassUnchanged) {
    for (const QStringList& options :
         {QStringList{"--format", "matrix"}, QStringList{"--format", "utf8"},
          QStringList{"--format", "ansi"}, QStringList{"--format", "utf8", "--invert"},
          QStringList{"--format", "matrix", "--symbol-version", "40"}}) {
        const CliRun plain = RunTool(Cli, options + QStringList{Text});
        const CliRun verified = RunTool(Cli, options + QStringList{"--verify", Text});
        ASSERT_EQ(plain.ExitCode, 0);
        EXPECT_EQ(verified.ExitCode, 0) << options.join(' ').toStdString();
        EXPECT_EQ(verified.Out, plain.Out) << options.join(' ').toStdString();
        EXPECT_EQ(verified.Err, QByteArray()) << options.join(' ').toStdString();
    }
    // ansi draws its own colours: inverted, the symbol is a negative that readers miss, and
    // nothing is printed.
    const CliRun negative = RunTool(Cli, {"--format", "ansi", "--invert", "--verify", Text});
    EXPECT_EQ(negative.ExitCode, 1);
    EXPECT_EQ(negative.Out, QByteArray());
    EXPECT_TRUE(negative.Err.contains("does not read back (not found)")) << negative.Err.data();
}

TEST(CliVerify, TooLittleContrastFailsAndLeavesNoFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QStringList colours = {"--foreground", "777777", "--background", "888888"};
    for (const char* extension : {"png", "svg"}) {
        for (const char* scale : {"1", "4"}) {
            const QString path = folder.filePath(QStringLiteral("grey.") + extension);
            // Without --verify the file is written, with a warning about the contrast.
            const CliRun unchecked =
                RunTool(Cli, QStringList{"-o", path, "--scale", scale, Text} + colours);
            EXPECT_EQ(unchecked.ExitCode, 0);
            ASSERT_TRUE(QFile::exists(path));
            // With it, the same file (already there) is removed again.
            const CliRun run =
                RunTool(Cli, QStringList{"--verify", "-o", path, "--scale", scale, Text} + colours);
            EXPECT_EQ(run.ExitCode, 1) << extension << " at scale " << scale;
            EXPECT_TRUE(run.Err.contains("'" + path.toUtf8() +
                                         "' does not read back (not found); the file is removed"))
                << run.Err.toStdString();
            EXPECT_TRUE(Entries(folder).isEmpty()) << Entries(folder).join(' ').toStdString();
        }
    }
    // On standard output the check comes first: nothing is written at all.
    const CliRun toOutput =
        RunTool(Cli, QStringList{"--verify", "--format", "png", "-o", "-", Text} + colours);
    EXPECT_EQ(toOutput.ExitCode, 1);
    EXPECT_EQ(toOutput.Out, QByteArray());
    EXPECT_TRUE(toOutput.Err.contains("nothing is written")) << toOutput.Err.toStdString();
    const CliRun good = RunTool(Cli, {"--verify", "--format", "png", "-o", "-", Text});
    EXPECT_EQ(good.ExitCode, 0);
    EXPECT_TRUE(good.Out.startsWith("\x89PNG"));
}

TEST(CliVerify, GarbageFromTheDiskFailsAndLeavesNoFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* extension : {"png", "bmp", "svg"}) {
        const QString path = folder.filePath(QStringLiteral("damaged.") + extension);
        // The damage strikes only the reading back: without --verify all is well.
        EXPECT_EQ(RunTool(FaultyCli, {"-o", path, Text}, {}, "damaged").ExitCode, 0);
        ASSERT_TRUE(QFile::remove(path));
        const CliRun run = RunTool(FaultyCli, {"--verify", "-o", path, "--scale", "4", Text}, {},
                                   QStringLiteral("damaged"));
        EXPECT_EQ(run.ExitCode, 1) << extension;
        EXPECT_TRUE(run.Err.contains("does not read back (not found)") ||
                    run.Err.contains("does not read back (different content)"))
            << run.Err.toStdString();
        EXPECT_TRUE(Entries(folder).isEmpty()) << extension;
    }
}

TEST(CliVerify, BatchGoesOnPastABadLine) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray lines = "label 1\nlabel 2\nlabel 3\n\nlabel 5\nlabel 6\n";
    const QString pattern = folder.filePath(QStringLiteral("label-%05d.png"));
    // Line 3's file comes back from the disk as garbage.
    const CliRun run = RunTool(FaultyCli, {"--verify", "--batch", "-o", pattern, "--scale", "3"},
                               lines, QStringLiteral("label-00003"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains("line 3: '" + folder.filePath("label-00003.png").toUtf8() +
                                 "' does not read back (not found); the file is removed"))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains("4 written, 4 verified, 1 line failed")) << run.Err.toStdString();
    EXPECT_EQ(Entries(folder), (QStringList{"label-00001.png", "label-00002.png", "label-00005.png",
                                            "label-00006.png"}));

    // Without damage every line is verified.
    const CliRun good =
        RunTool(FaultyCli, {"--verify", "--batch", "-o", pattern, "--scale", "3"}, lines);
    EXPECT_EQ(good.ExitCode, 0) << good.Err.toStdString();
    EXPECT_TRUE(good.Err.contains("5 written, 5 verified, 0 lines failed"))
        << good.Err.toStdString();
    EXPECT_EQ(Entries(folder).size(), 5);
}

TEST(CliVerify, BatchOnStandardOutputPrintsOnlyVerifiedSymbols) {
    QByteArray lines;
    for (int i = 1; i <= 600; ++i) {
        lines += "item " + QByteArray::number(i) + "\n";
    }
    const CliRun plain = RunTool(Cli, {"--batch", "--format", "matrix"}, lines);
    const CliRun verified = RunTool(Cli, {"--batch", "--format", "matrix", "--verify"}, lines);
    ASSERT_EQ(plain.ExitCode, 0);
    EXPECT_EQ(verified.ExitCode, 0) << verified.Err.toStdString();
    EXPECT_EQ(verified.Out, plain.Out);
    EXPECT_TRUE(verified.Err.contains("600 written, 600 verified")) << verified.Err.data();
    EXPECT_TRUE(plain.Err.contains("600 symbols written")) << plain.Err.data();
    EXPECT_FALSE(plain.Err.contains("verified"));

    // Every symbol a negative: none printed, every line failed.
    const CliRun negative =
        RunTool(Cli, {"--batch", "--format", "ansi", "--invert", "--verify"}, "a\nb\n");
    EXPECT_EQ(negative.ExitCode, 1);
    EXPECT_EQ(negative.Out, QByteArray());
    EXPECT_TRUE(negative.Err.contains("0 written, 0 verified, 2 lines failed"))
        << negative.Err.data();
}

// Version 40 at level H and 2 pixels a module: every symbol reads back when the reader is told
// where it is, but zxing-cpp's scanner search finds none (at 1, 3 and 4 pixels it does).
const QStringList LargeSymbol = {"--symbol-version", "40", "--level", "H"};

void EmptyFolder(const QTemporaryDir& folder) {
    for (const QString& entry : Entries(folder)) {
        QFile::remove(folder.filePath(entry));
    }
}

// --verify warns of every symbol of the set and keeps it; --verify=strict removes the whole set.
TEST(CliVerify, SymbolsAScannerMissesAreWarnedOfOrRefusedWhenStrict) {
    QTemporaryDir folder;
    const QByteArray text = QStringLiteral("中文Latin 12345 ").repeated(600).left(9000).toUtf8();
    const QStringList set = LargeSymbol + QStringList{"--structured-append", "16", "-o",
                                                      folder.filePath("sa-%02d.png")};
    const struct {
        const char* Verify;
        const char* Scale;
        int Exit;
        qsizetype Warnings;
        qsizetype Files;
    } cases[] = {{"--verify", "2", 0, 16, 16},
                 {"--verify=strict", "2", 1, 0, 0},
                 {"--verify=strict", "4", 0, 0, 16}};
    for (const auto& c : cases) {
        EmptyFolder(folder);
        const CliRun run = RunTool(Cli, set + QStringList{c.Verify, "--scale", c.Scale}, text);
        const std::string what = std::string(c.Verify) + " at scale " + c.Scale;
        EXPECT_EQ(run.ExitCode, c.Exit) << what << run.Err.toStdString();
        EXPECT_EQ(run.Err.count("warning: symbol "), c.Warnings) << what;
        EXPECT_EQ(run.Err.count("not found by a scanner's search"), c.Warnings + c.Exit) << what;
        EXPECT_EQ(run.Err.count("try --scale 3"), c.Warnings + c.Exit) << what;
        EXPECT_EQ(Entries(folder).size(), c.Files) << what;
    }
}

// The size a warning suggests, in the unit the size was asked in, is accepted and found.
TEST(CliVerify, TheLargerSizeSuggestedIsFoundByTheSearch) {
    QTemporaryDir folder;
    const QByteArray text = QByteArray("Latin 12345 ").repeated(100);
    for (const QStringList& size : {QStringList{"--scale", "2", "-o", folder.filePath("a.png")},
                                    {"--module-size", "2px", "-o", folder.filePath("b.svg")},
                                    {"--size", "2.32in", "--dpi", "150", "-o", "-"}}) {
        QStringList arguments = LargeSymbol + QStringList{"--verify", "--format", "png"} + size;
        const CliRun warned = RunTool(Cli, arguments, text);
        EXPECT_EQ(warned.ExitCode, 0) << warned.Err.toStdString();
        const QStringList suggested = QString::fromUtf8(warned.Err)
                                          .section(QStringLiteral("; try "), 1)
                                          .simplified()
                                          .split(' ');
        ASSERT_EQ(suggested.size(), 2) << warned.Err.toStdString();
        EXPECT_EQ(suggested[0], size[0]);
        arguments.replace(arguments.indexOf(size[1]), suggested[1]);
        const CliRun found = RunTool(Cli, arguments, text);
        EXPECT_EQ(found.ExitCode, 0) << suggested.join(' ').toStdString();
        EXPECT_FALSE(found.Err.contains("scanner")) << found.Err.toStdString();
    }
}

// A batch counts the lines a scanner misses in its summary, and the manifest says "detected"
// (only with --verify: without it the lines are as they were).
TEST(CliVerify, BatchCountsAndRecordsWhatTheSearchMisses) {
    QTemporaryDir folder;
    const QString manifest = folder.filePath(QStringLiteral("run.jsonl"));
    const struct {
        QStringList Options;
        const char* Summary;
        const char* Record;
    } cases[] = {
        {{"--verify", "--scale", "2"},
         "2 written, 2 verified (2 not found by a scanner's search), 0 lines failed",
         "\"verified\":true,\"detected\":false,\"error\":null}"},
        {{"--verify", "--scale", "3"},
         "2 written, 2 verified, 0 lines failed",
         "\"verified\":true,\"detected\":true,\"error\":null}"},
        {{"--scale", "2"},
         "2 symbols written, 0 lines failed",
         "\"verified\":null,\"error\":null}"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunTool(
            Cli,
            LargeSymbol + c.Options +
                QStringList{"--batch", "--manifest", manifest, "-o", folder.filePath("%d.png")},
            "a\nb\n");
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(c.Summary)) << run.Err.toStdString();
        EXPECT_EQ(ReadFile(manifest).count(c.Record), 2) << ReadFile(manifest).toStdString();
    }
}

TEST(CliVerify, HelpShowsTheOptionWithABatchExample) {
    const CliRun run = RunTool(Cli, {"--help"});
    EXPECT_EQ(run.ExitCode, 0);
    for (const char* text :
         {"      --verify [strict] ", "\"not found\"", "\"different content\"", "searched as a",
          "=strict fails", "ostrel-qr-cli --verify --batch labels.txt -o 'label-%05d.png'",
          "with --verify: a symbol did not read back"}) {
        EXPECT_TRUE(run.Out.contains(text)) << "help lacks '" << text << "'";
    }
}

} // namespace
