// The manifest of a batch (one JSON line per row, its SHA-256 checked by coreutils' sha256sum),
// the same bytes whatever the number of workers, and a disk that fills up or turns read-only:
// one message, the files before it kept, no partial file, the manifest still whole.
#include "BatchRunSupport.h"
#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStorageInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace ostrel::test;

// The manifest's objects; a line that is not one JSON object fails the test.
std::vector<QJsonObject> ManifestRows(const QString& path) {
    std::vector<QJsonObject> rows;
    for (const QByteArray& line : ReadFile(path).split('\n')) {
        if (!line.isEmpty()) {
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            EXPECT_TRUE(error.error == QJsonParseError::NoError && document.isObject())
                << error.errorString().toStdString() << " in " << line.toStdString();
            rows.push_back(document.object());
        }
    }
    return rows;
}

QString Sha256Sum(const QByteArray& data) {
    QProcess process;
    process.start(QStringLiteral("sha256sum"), {});
    process.write(data);
    process.closeWriteChannel();
    process.waitForFinished();
    return QString::fromLatin1(process.readAllStandardOutput().left(64));
}

TEST(BatchManifest, OneLinePerRowWithTheDataHashAndTheSymbol) {
    QTemporaryDir folder;
    const QString manifest = folder.filePath(QStringLiteral("run.jsonl"));
    const std::vector<QByteArray> data = {"abc", "中文 \"quoted\"", QByteArray(900, '7'),
                                          QByteArray(3000, 'x'), "last"};
    QByteArray input;
    for (const QByteArray& line : data) {
        input += line + "\n";
    }
    const CliRun run = RunCli({"--batch", "--verify", "--level", "H", "--manifest", manifest,
                               "--scale", "2", "-o", folder.filePath(QStringLiteral("%d.png"))},
                              input);
    EXPECT_EQ(run.ExitCode, 1) << run.Err.toStdString();
    const std::vector<QJsonObject> rows = ManifestRows(manifest);
    ASSERT_EQ(rows.size(), data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        const QJsonObject& row = rows[i];
        const bool fits = i != 3;
        EXPECT_EQ(row["line"].toInt(), static_cast<int>(i + 1));
        EXPECT_EQ(row["bytes"].toInt(), data[i].size());
        EXPECT_EQ(row["sha256"].toString(), Sha256Sum(data[i])) << i;
        EXPECT_EQ(row["verified"].isNull(), !fits) << i;
        EXPECT_EQ(row["verified"].toBool(), fits) << i;
        EXPECT_EQ(row["error"].isNull(), fits) << i;
        if (!fits) {
            EXPECT_TRUE(row["file"].isNull());
            continue;
        }
        const QString file = folder.filePath(QString::number(i + 1) + QStringLiteral(".png"));
        EXPECT_EQ(row["file"].toString(), file);
        EXPECT_EQ(ReadBack(folder, QFileInfo(file).fileName()), data[i].toStdString());
        // The version from the picture's side: (17 + 4 v + 8 quiet modules) x 2 pixels.
        const int side = QImage(file).width() / 2 - 8;
        EXPECT_EQ(row["version"].toInt(), (side - 17) / 4);
        EXPECT_EQ(row["level"].toString(), QStringLiteral("H"));
        EXPECT_EQ(ReadWithZXing(QImage(file), {.MinimumWidth = 200})->Level, "H");
    }
    // A manifest that cannot be written stops the run before any symbol.
    QTemporaryDir other;
    const CliRun lost = RunCli({"--batch", "--manifest", other.filePath(QStringLiteral("no/m")),
                                "-o", other.filePath(QStringLiteral("%d.png"))},
                               "a\n");
    EXPECT_EQ(lost.ExitCode, 3);
    EXPECT_TRUE(Entries(other).isEmpty());
}

// Every row has its object, the empty ones too, and a name or a message with a double quote and
// a backslash comes back from the JSON as it was.
TEST(BatchManifest, EveryRowHasAnObjectAndQuotesComeBackIntact) {
    QTemporaryDir folder;
    const QString manifest = folder.filePath(QStringLiteral("m.jsonl"));
    const QString pattern = folder.filePath(QStringLiteral("say \"%s\" \\ %d.png"));
    // Row 3's file is taken by a folder: its message quotes the name.
    const QString taken = folder.filePath(QStringLiteral("say \"c\" \\ 3.png"));
    QDir().mkpath(taken);
    const CliRun csv =
        RunCli({"--batch", "--batch-format", "csv", "--manifest", manifest, "-o", pattern},
               "data,file\nA,a\n,b\nC,c\n\"\",d\n");
    EXPECT_EQ(csv.ExitCode, 1) << csv.Err.toStdString();
    std::vector<QJsonObject> rows = ManifestRows(manifest);
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[0]["file"].toString(), folder.filePath(QStringLiteral("say \"a\" \\ 1.png")));
    EXPECT_TRUE(rows[2]["error"].toString().contains("'" + taken + "'"))
        << rows[2]["error"].toString().toStdString();
    const QString empty = QStringLiteral(
        R"({"line":%1,"row":%2,"file":null,"bytes":null,"sha256":null,"version":null,)"
        R"("level":null,"mask":null,"verified":null,"error":"empty"})");
    const QList<QByteArray> lines = ReadFile(manifest).split('\n');
    EXPECT_EQ(lines[1], empty.arg(3).arg(2).toUtf8());
    EXPECT_EQ(lines[3], empty.arg(5).arg(4).toUtf8());
    // Lines: the empty ones in their place.
    const CliRun plain = RunCli(
        {"--batch", "--manifest", manifest, "-o", folder.filePath(QStringLiteral("l%d.png"))},
        "x\n\n\ny\n");
    EXPECT_EQ(plain.ExitCode, 0) << plain.Err.toStdString();
    rows = ManifestRows(manifest);
    ASSERT_EQ(rows.size(), 4U);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i]["line"].toInt(), i + 1);
        EXPECT_EQ(rows[i]["error"].toString(), i == 1 || i == 2 ? "empty" : QString());
    }
}

TEST(BatchManifest, SameBytesWhateverTheNumberOfWorkers) {
    QByteArray input;
    for (int line = 1; line <= 120; ++line) {
        input += "SN-" + QByteArray::number(line * 7919) + (line % 3 == 0 ? " 中文" : "") + "\n";
    }
    std::vector<std::map<QString, QByteArray>> runs;
    QTemporaryDir folder;
    for (const char* jobs : {"1", "2", "2"}) {
        const QString out = folder.filePath(QString::number(runs.size()));
        QDir().mkpath(out);
        for (const char* extension : {"png", "svg", "bmp"}) {
            const bool png = extension == std::string("png");
            const CliRun run = RunCli({"--batch", "--jobs", jobs, "--mask", png ? "0" : "auto",
                                       "--manifest", out + "/" + extension + ".jsonl", "-o",
                                       out + QStringLiteral("/%04d.") + extension},
                                      input);
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        }
        runs.emplace_back();
        for (QDirIterator it(out, QDir::Files | QDir::Hidden); it.hasNext();) {
            const QString path = it.next();
            // The manifests name the files with the run's own folder.
            runs.back()[QFileInfo(path).fileName()] = ReadFile(path).replace(out.toUtf8(), "");
        }
    }
    EXPECT_EQ(runs[0].size(), 3 * 120U + 3);
    EXPECT_TRUE(runs[0] == runs[1]) << "--jobs 1 and --jobs 2 differ";
    EXPECT_TRUE(runs[1] == runs[2]) << "two runs with --jobs 2 differ";
}

TEST(BatchDiskFull, OneMessageAndAStopWithTheFilesBeforeIt) {
    QByteArray input;
    for (int line = 1; line <= 3000; ++line) {
        input += QByteArray::number(line) + "\n";
    }
    for (const QString error : {"ENOSPC", "EDQUOT", "EROFS"}) {
        QTemporaryDir folder;
        const QString manifest = folder.filePath(QStringLiteral("m.jsonl"));
        const CliRun run = RunCli({"--batch", "--jobs", "1", "--manifest", manifest, "-o",
                                   folder.filePath(QStringLiteral("%d.png"))},
                                  input, DiskFullAfter(40, error));
        EXPECT_EQ(run.ExitCode, 1);
        // The message and the summary, nothing for each of the other 2960 lines.
        EXPECT_EQ(run.Err.count('\n'), 2) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("line 41: cannot write '")) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(error == "EROFS" ? "Read-only file system" : "quota") ||
                    error == "ENOSPC")
            << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("40 symbols written, 1 line failed"));
        EXPECT_TRUE(run.Err.contains("stopped at line 41, 2959 lines not written"));
        const std::vector<QJsonObject> rows = ManifestRows(manifest);
        ASSERT_EQ(rows.size(), 3000U);
        EXPECT_EQ(rows[39]["error"], QJsonValue());
        EXPECT_TRUE(rows[2999]["error"].toString().startsWith("not written: the run stopped"));
        EXPECT_EQ(Entries(folder).size(), 41); // 40 symbols and the manifest, no partial file
        EXPECT_EQ(ReadBack(folder, QStringLiteral("40.png")), "40");
    }
}

TEST(BatchDiskFull, ARealSmallDiskWhenOneCanBeMounted) {
    QTemporaryDir folder;
    const QString disk = folder.filePath(QStringLiteral("disk"));
    QDir().mkpath(disk);
    if (geteuid() != 0 ||
        QProcess::execute(QStringLiteral("mount"),
                          {"-t", "tmpfs", "-o", "size=256k", "tmpfs", disk}) != 0) {
        GTEST_SKIP() << "mounting a tmpfs needs root and a system that allows it";
    }
    QByteArray input;
    for (int line = 1; line <= 3000; ++line) {
        input += QByteArray::number(line) + "\n";
    }
    // The second time the manifest lies on the full disk too: no manifest, still one message.
    for (const bool manifest : {false, true}) {
        QProcess::execute(QStringLiteral("sh"), {"-c", "rm -f \"$0\"/* \"$0\"/.*", disk});
        QStringList arguments = {"--batch", "-o", disk + QStringLiteral("/%d.png")};
        if (manifest) {
            arguments += {"--manifest", disk + QStringLiteral("/m.jsonl")};
        }
        const CliRun run = RunCli(arguments, input);
        const QStringList files = QDir(disk).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Err.count("No space left on device"), 1) << run.Err.toStdString();
        EXPECT_EQ(run.Err.count('\n'), 2) << run.Err.toStdString();
        EXPECT_EQ(run.Err.contains("not written, nor the manifest\n"), manifest);
        EXPECT_GT(files.size(), 10);
        EXPECT_FALSE(files.join(' ').contains(QStringLiteral("part")) ||
                     files.contains(QStringLiteral("m.jsonl")))
            << files.join(' ').toStdString();
    }
    QProcess::execute(QStringLiteral("umount"), {disk});
}

// The manifest on the simulated full disk: refused with the file of line 41 (the summary says
// so) or alone after every symbol (one message of its own); exit status 1, no manifest at all.
TEST(BatchDiskFull, TheManifestOnTheFullDiskIsOneMessageAndAbsent) {
    QByteArray input;
    for (int line = 1; line <= 100; ++line) {
        input += QByteArray::number(line) + "\n";
    }
    const struct {
        int After;
        const char* Error;
        const char* Says;
    } cases[] = {
        {40, "ENOSPC", "stopped at line 41, 59 lines not written, nor the manifest\n"},
        {100, "EDQUOT", "cannot write the manifest '"},
        {100, "EROFS",
         "Read-only file system; the disk is full or read-only, so there is no "
         "manifest (the files written stay)\n"},
    };
    for (const auto& [after, error, says] : cases) {
        QTemporaryDir folder;
        CliSetting disk = DiskFullAfter(after, QString::fromLatin1(error));
        disk.Environment[QStringLiteral("OSTREL_DISK_FULL_MANIFEST")] = QStringLiteral("1");
        const CliRun run = RunCli({"--batch", "--jobs", "1", "--manifest",
                                   folder.filePath(QStringLiteral("m.jsonl")), "-o",
                                   folder.filePath(QStringLiteral("%d.png"))},
                                  input, disk);
        EXPECT_EQ(run.ExitCode, 1) << error;
        EXPECT_EQ(run.Err.count('\n'), 2) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(says)) << run.Err.toStdString();
        EXPECT_EQ(Entries(folder).size(), after) << Entries(folder).join(' ').toStdString();
    }
}

// A folder that the names need and that does not exist: one message, exit status 3, nothing
// written; --make-dirs makes it, for lines, structured-append symbols and a single symbol.
TEST(BatchFolders, AMissingFolderIsOneMessageAndMakeDirsMakesIt) {
    const struct {
        const char* Pattern;
        QStringList Options;
        const char* Folder;
        const char* File;
    } cases[] = {
        {"new/sub/%s.png", {"--batch"}, "new/sub", "new/sub/cd.png"},
        {"%s/%d.png", {"--batch"}, "ab", "cd/2.png"},
        {"sa%i/%d.png", {"--batch", "--structured-append", "2"}, "sa1", "sa2/2.png"},
    };
    for (const auto& [pattern, options, missing, file] : cases) {
        QTemporaryDir folder;
        const QStringList arguments =
            options + QStringList{"--manifest", folder.filePath(QStringLiteral("m")), "-o",
                                  folder.filePath(pattern)};
        const CliRun refused = RunCli(arguments, "ab\ncd\n");
        EXPECT_EQ(refused.ExitCode, 3) << pattern;
        EXPECT_EQ(refused.Err.count('\n'), 1) << refused.Err.toStdString();
        EXPECT_TRUE(refused.Err.contains("the folder '" + folder.filePath(missing).toUtf8() +
                                         "' (for the file of line 1) does not exist"))
            << refused.Err.toStdString();
        EXPECT_TRUE(Entries(folder).isEmpty()) << Entries(folder).join(' ').toStdString();
        const CliRun made = RunCli(QStringList{"--make-dirs"} + arguments, "ab\ncd\n");
        EXPECT_EQ(made.ExitCode, 0) << made.Err.toStdString();
        EXPECT_TRUE(QFileInfo::exists(folder.filePath(file))) << file;
    }
    QTemporaryDir folder;
    const QString single = folder.filePath(QStringLiteral("x/y/z.png"));
    EXPECT_EQ(RunCli({"-o", single, "abc"}).ExitCode, 3);
    EXPECT_EQ(RunCli({"--make-dirs", "-o", single, "abc"}).ExitCode, 0);
    EXPECT_EQ(ReadBack(folder, QStringLiteral("x/y/z.png")), "abc");
}

} // namespace

// No symbol is written over the batch input or the manifest, however the name is spelled (a
// folder link, "..", letter case); the run is refused before any file and the input stays.
TEST(BatchKeptFiles, NoSymbolOverTheInputOrTheManifest) {
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("list.txt"));
    const QByteArray lines = "b\nlist\nm\n";
    QDir(folder.path()).mkdir(QStringLiteral("sub"));
    ASSERT_TRUE(QFile::link(folder.path(), folder.filePath(QStringLiteral("ln"))));
    const QString manifest = folder.filePath(QStringLiteral("m.txt"));
    const QStringList outputs = {QStringLiteral("%s.txt"), QStringLiteral("sub/../%s.txt"),
                                 QStringLiteral("ln/%s.txt"), QStringLiteral("%s.TXT")};
    for (const QString& output : outputs) {
        for (const bool withManifest : {false, true}) {
            WriteFile(input, lines);
            QStringList arguments = {"--batch", input, "-o", folder.filePath(output)};
            if (withManifest) {
                arguments = QStringList{"--manifest", manifest} + arguments;
                WriteFile(input, "m\n"); // only the manifest's name now
            }
            const QByteArray before = ReadFile(input);
            const CliRun run = RunCli(arguments);
            EXPECT_EQ(run.ExitCode, 2) << output.toStdString() << run.Err.toStdString();
            EXPECT_TRUE(run.Err.contains(withManifest ? "write over the manifest"
                                                      : "write over the batch input"))
                << run.Err.toStdString();
            EXPECT_EQ(ReadFile(input), before);
            EXPECT_EQ(Entries(folder).size(), 3) << Entries(folder).join(' ').toStdString();
        }
    }
    // The output named relative to the working folder, as a shell gives it, the manifest (not
    // there yet, so known only by its name) not.
    WriteFile(input, "m\n");
    const CliRun relative = RunCli(
        {"--manifest", manifest, "--batch", input, "-o",
         QDir::current().relativeFilePath(folder.filePath(QStringLiteral("sub/../%s.txt")))});
    EXPECT_EQ(relative.ExitCode, 2) << relative.Err.toStdString();
    EXPECT_TRUE(relative.Err.contains("write over the manifest")) << relative.Err.toStdString();
    EXPECT_EQ(Entries(folder).size(), 3);
    const CliRun same =
        RunCli({"--batch", input, "--manifest", folder.filePath(QStringLiteral("ln/list.txt")),
                "-o", folder.filePath(QStringLiteral("%d.png"))});
    EXPECT_EQ(same.ExitCode, 2);
    EXPECT_TRUE(same.Err.contains("is the batch input")) << same.Err.toStdString();
    EXPECT_EQ(Entries(folder).size(), 3);
}
