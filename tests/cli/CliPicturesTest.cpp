// The look of the pictures: quiet-zone width, colours, contrast warnings, PNG against BMP.
#include "CliChecks.h"
#include "PeerReaders.h"

#include <QFileInfo>
#include <QImage>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace ostrel::test {
namespace {

TEST(CliPictures, MarginSetsTheQuietZoneOfEveryFormat) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const int margin : {0, 1, 7, 64}) {
        const auto rows = WithMargin(AbcRows(), margin);
        for (const char* format : {"png", "bmp"}) {
            const QString path = folder.filePath(QStringLiteral("m%1.%2").arg(margin).arg(format));
            const CliRun run =
                RunCli({"-o", path, "--scale", "3", "--margin", QString::number(margin), "abc"});
            ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            const QImage picture(path);
            EXPECT_TRUE(PictureShowsRows(picture, rows, 3, qRgb(0, 0, 0), qRgb(255, 255, 255)))
                << format << " margin " << margin;
            if (margin > 0) {
                EXPECT_EQ(Decode(picture), QByteArray("abc")) << format << " margin " << margin;
            }
        }
        const QString svg = folder.filePath(QStringLiteral("m%1.svg").arg(margin));
        ASSERT_EQ(RunCli({"-o", svg, "--margin", QString::number(margin), "abc"}).ExitCode, 0);
        const int side = static_cast<int>(rows.size());
        EXPECT_EQ(QSvgRenderer(svg).viewBoxF(), QRectF(0, 0, side, side));
        EXPECT_TRUE(PictureShowsRows(RenderSvg(svg, QSize(side * 4, side * 4)), rows, 4,
                                     qRgb(0, 0, 0), qRgb(255, 255, 255)))
            << "svg margin " << margin;
    }
    // Given for the matrix, the margin pads it with light modules.
    EXPECT_EQ(MatrixOf({"--margin", "2", "abc"}), WithMargin(AbcRows(), 2));
}

TEST(CliPictures, ForegroundAndBackgroundColourPngAndSvg) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto rows = WithMargin(AbcRows(), 4);
    const QRgb blue = qRgb(0x1a, 0x23, 0x7e);
    const QRgb cream = qRgb(0xff, 0xf8, 0xe1);
    const QString png = folder.filePath(QStringLiteral("colours.png"));
    CliRun run = RunCli(
        {"-o", png, "--scale", "4", "--foreground", "1A237E", "--background=#fff8e1", "abc"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString(); // contrast 13:1, no warning
    EXPECT_TRUE(PictureShowsRows(QImage(png), rows, 4, blue, cream));
    EXPECT_EQ(Decode(QImage(png)), QByteArray("abc"));

    const QString svg = folder.filePath(QStringLiteral("colours.svg"));
    ASSERT_EQ(
        RunCli({"-o", svg, "--foreground", "1a237e", "--background", "fff8e1", "abc"}).ExitCode, 0);
    const QImage drawn = RenderSvg(svg, QSize(29 * 4, 29 * 4));
    EXPECT_TRUE(PictureShowsRows(drawn, rows, 4, blue, cream));
    EXPECT_EQ(ZbarText(drawn), QStringLiteral("abc"));

    // A transparent background: the light modules keep no colour.
    const QString clear = folder.filePath(QStringLiteral("clear.png"));
    ASSERT_EQ(RunCli({"-o", clear, "--background", "ffffff00", "--scale", "2", "abc"}).ExitCode, 0);
    EXPECT_TRUE(PictureShowsRows(QImage(clear), rows, 2, qRgb(0, 0, 0), qRgba(0, 0, 0, 0)));
}

TEST(CliPictures, LowContrastWarnsWithoutFailing) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("grey.png"));
    struct Case {
        QString Foreground;
        QString Background;
        bool Warns;
    };
    // Contrast ratios: 777777 on 888888 1.3, 767676 on white 4.5, 999999 on white 2.8; white
    // on black is 21 but the wrong way round.
    const std::vector<Case> cases = {{"777777", "888888", true},
                                     {"767676", "ffffff", false},
                                     {"999999", "ffffff", true},
                                     {"ffffff", "000000", true},
                                     {"000000", "ffffff", false}};
    for (const Case& c : cases) {
        const CliRun run =
            RunCli({"-o", path, "--foreground", c.Foreground, "--background", c.Background, "abc"});
        EXPECT_EQ(run.ExitCode, 0) << c.Foreground.toStdString();
        EXPECT_EQ(run.Err.contains("warning"), c.Warns)
            << c.Foreground.toStdString() << " on " << c.Background.toStdString() << ": "
            << run.Err.toStdString();
        EXPECT_TRUE(QFileInfo::exists(path));
    }
}

TEST(CliPictures, BlackOnWhitePngHasTheSamePixelsAsBmp) {
    // The PNG writer is the tool's own, the BMP one Qt's: both show the same symbol.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString text = Letters(300);
    for (const int scale : {1, 5}) {
        const QString png = folder.filePath(QStringLiteral("s%1.png").arg(scale));
        const QString bmp = folder.filePath(QStringLiteral("s%1.bmp").arg(scale));
        ASSERT_EQ(RunCli({"-o", png, "--scale", QString::number(scale), text}).ExitCode, 0);
        ASSERT_EQ(RunCli({"-o", bmp, "--scale", QString::number(scale), text}).ExitCode, 0);
        EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32),
                  QImage(bmp).convertToFormat(QImage::Format_RGB32));
        EXPECT_TRUE(PictureShowsMatrix(QImage(png), Lines(RunCli({text}).Out), scale));
    }
}

} // namespace
} // namespace ostrel::test
