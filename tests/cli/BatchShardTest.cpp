// --shard K/N: the shards of a batch, run one after another, write exactly the files of one
// run (names planned over every row, collisions across shard borders included), and their
// manifests concatenated in order are that run's manifest, empty and failing rows included.
#include "BatchRunSupport.h"
#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace ostrel::test;

// Every file under folder by its name, the folder's own path taken out of the contents (the
// manifests name the files with it).
std::map<QString, QByteArray> Files(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        files[path.mid(folder.size())] = ReadFile(path).replace(folder.toUtf8(), "");
    }
    return files;
}

// One batch run with --shard shard (empty: the whole batch); the manifest goes outside the
// folder of the symbols, to manifest.
int RunShard(const QString& input, const QString& folder, const QString& manifest,
             const QString& shard) {
    QStringList arguments = {"--batch",
                             input,
                             "--batch-format",
                             "csv",
                             "--on-collision",
                             "suffix",
                             "--manifest",
                             manifest,
                             "--jobs",
                             "2",
                             "-o",
                             folder + "/%s.png"};
    if (!shard.isEmpty()) {
        arguments << "--shard" << shard;
    }
    const CliRun run = RunCli(arguments);
    EXPECT_FALSE(run.Crashed) << run.Err.toStdString();
    return run.ExitCode;
}

TEST(BatchShards, TheShardsTogetherAreOneRun) {
    QTemporaryDir work;
    // Empty rows at the start, inside and at the end; rows with a field too many fail; names
    // repeat across the rows, so that suffixes are handed out over the whole input.
    QByteArray table = "data,file\n,\n,\n";
    for (int row = 1; row <= 29; ++row) {
        const QByteArray name = row % 5 == 0 ? "same" : "n" + QByteArray::number(row);
        table += "SN-" + QByteArray::number(row) + "," + name + (row % 9 == 4 ? ",extra\n" : "\n");
        if (row % 7 == 0) {
            table += ",\n";
        }
    }
    table += ",\n,\n";
    const QString input = work.filePath(QStringLiteral("rows.csv"));
    WriteFile(input, table);

    const QString whole = work.filePath(QStringLiteral("whole"));
    ASSERT_TRUE(QDir().mkpath(whole + "/files"));
    ASSERT_EQ(RunShard(input, whole + "/files", whole + "/manifest.jsonl", {}), 1);
    const QByteArray manifest = ReadFile(whole + "/manifest.jsonl").replace(whole.toUtf8(), "");
    ASSERT_EQ(manifest.count('\n'), 29 + 4 + 4);
    const std::map<QString, QByteArray> files = Files(whole + "/files");
    ASSERT_EQ(files.size(), 29U - 3U);

    // More shards than rows leave some shards empty.
    for (const int shards : {2, 3, 4, 7, 40}) {
        const QString out = work.filePath(QString::number(shards));
        ASSERT_TRUE(QDir().mkpath(out + "/files"));
        QByteArray joined;
        for (int shard = 1; shard <= shards; ++shard) {
            const QString part = out + QStringLiteral("/%1.jsonl").arg(shard);
            const int status = RunShard(input, out + "/files", part,
                                        QStringLiteral("%1/%2").arg(shard).arg(shards));
            EXPECT_TRUE(status == 0 || status == 1) << shard << "/" << shards;
            joined += ReadFile(part).replace(out.toUtf8(), "");
        }
        EXPECT_EQ(joined, manifest) << shards << " shards";
        EXPECT_TRUE(Files(out + "/files") == files) << shards << " shards";
    }
}

TEST(BatchShards, ABadShardIsRefusedBeforeAnythingIsWritten) {
    QTemporaryDir work;
    const QString input = work.filePath(QStringLiteral("rows.txt"));
    WriteFile(input, "a\nb\n");
    for (const char* bad : {"0/4", "5/4", "1/0", "-1/2", "2", "1/", "/2", "a/b", "1/2/3", ""}) {
        const CliRun run = RunCli(
            {"--batch", input, "--shard", bad, "-o", work.filePath(QStringLiteral("%d.png"))});
        EXPECT_EQ(run.ExitCode, 2) << bad;
        EXPECT_TRUE(run.Err.contains("--shard")) << bad << ": " << run.Err.toStdString();
    }
    const CliRun single = RunCli({"--shard", "1/2", "-o", work.filePath("one.png"), "abc"});
    EXPECT_EQ(single.ExitCode, 2);
    EXPECT_TRUE(single.Err.contains("for --batch only")) << single.Err.toStdString();
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), QStringList{"rows.txt"});
}

} // namespace
