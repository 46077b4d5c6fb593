// Picture files: formats, sizes, quiet zone, whole files or none, unwritable outputs.
#include "CliChecks.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace ostrel::test {
namespace {

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

} // namespace
} // namespace ostrel::test
