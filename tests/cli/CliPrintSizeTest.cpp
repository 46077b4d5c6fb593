// Sizes for print, checked with programs that are not ours: ImageMagick's identify for the
// resolution a picture stores, Poppler's pdfinfo, pdfimages and pdftoppm and Ghostscript for PDF
// and EPS files (page size, no raster image inside, the painted area, the inks), and zxing-cpp
// reading what Poppler and Ghostscript render.
#include "CliRunner.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

using ostrel::test::CliRun;
using ostrel::test::ReadFile;
using ostrel::test::ReadWithZXing;
using ostrel::test::Render;
using ostrel::test::RunCli;
using ostrel::test::Tool;

const QString Url = QStringLiteral("https://example.com/");
// "https://example.com/" is a version 2 symbol: 25 modules and a quiet zone of 4 on each side.
constexpr int UrlWidth = 33;
constexpr double MillimetresPerInch = 25.4;
constexpr double PointsPerInch = 72.0;

// Runs the tool, expecting it to write without a word (a batch: but its summary).
void Write(const QStringList& arguments) {
    const CliRun run = RunCli(arguments);
    ASSERT_EQ(run.ExitCode, 0) << arguments.join(' ').toStdString() << ": "
                               << run.Err.toStdString();
    if (!arguments.contains(QStringLiteral("--batch"))) {
        EXPECT_EQ(run.Err, "") << arguments.join(' ').toStdString();
    }
}

// The first number after a label in a tool's report ("Page size:       56.6929 x ...").
double NumberAfter(const QByteArray& report, const QString& label) {
    const QRegularExpression pattern(QRegularExpression::escape(label) +
                                     QStringLiteral("\\s*([0-9.]+)"));
    const auto match = pattern.match(QString::fromUtf8(report));
    EXPECT_TRUE(match.hasMatch()) << label.toStdString() << " in " << report.toStdString();
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

class CliPrintSize : public ::testing::Test {
protected:
    QString File(const char* name) const { return m_Folder.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_Folder;
};

TEST_F(CliPrintSize, PicturesStoreTheResolutionAndComeOutAtTheSizeAsked) {
    for (const char* name : {"label.png", "label.bmp"}) {
        const QString path = File(name);
        Write({"-o", path, "--dpi", "300", "--size", "20mm", Url});
        const CliRun identify = Tool(QStringLiteral("identify"),
                                     {"-units", "PixelsPerInch", "-format", "%x %y %w %h", path});
        const QStringList values = QString::fromUtf8(identify.Out).split(' ');
        ASSERT_EQ(values.size(), 4) << identify.Out.toStdString();
        // 300 dpi is 11811 pixels per metre, which reads back as 299.9994 dpi.
        EXPECT_NEAR(values[0].toDouble(), 300.0, 0.01) << name;
        EXPECT_NEAR(values[1].toDouble(), 300.0, 0.01) << name;
        EXPECT_EQ(values[2], values[3]) << name;
        // 20 mm within one module of the symbol.
        const double millimetres = values[2].toDouble() / 300.0 * MillimetresPerInch;
        EXPECT_NEAR(millimetres, 20.0, 20.0 / UrlWidth) << name;
        const auto reading = ReadWithZXing(QImage(path));
        ASSERT_TRUE(reading) << name;
        EXPECT_EQ(reading->Text, Url.toStdString());
    }
    // Without --dpi the picture states no resolution, as before.
    Write({"-o", File("plain.png"), "--scale", "4", Url});
    EXPECT_FALSE(ReadFile(File("plain.png")).contains("pHYs"));
    // A snapped module far from the size asked is said: 21 mm at 300 dpi is 8.55 pixels a
    // module, drawn as 9 (5.2% more); --module-size 6px is exactly --scale 6.
    const CliRun snapped =
        RunCli({"-o", File("snap.png"), "--dpi", "300", "--size", "21mm", "abc"});
    EXPECT_EQ(snapped.ExitCode, 0);
    EXPECT_TRUE(snapped.Err.contains("warning")) << snapped.Err.toStdString();
    // In a batch, the line whose symbol the size fits badly: 18 mm at 300 dpi is 212.6 pixels,
    // 7.33 a module of "abc" (29 modules, drawn 7: 4.5% off), 6.44 of the address (33, drawn 6:
    // 6.9% off).
    const QString lines = File("sizes.txt");
    ostrel::test::WriteFile(lines, "abc\n" + Url.toUtf8() + "\n");
    const CliRun batch =
        RunCli({"--batch", lines, "--dpi", "300", "--size", "18mm", "-o", File("%d.png")});
    EXPECT_EQ(batch.ExitCode, 0);
    EXPECT_EQ(batch.Err.count("warning"), 1) << batch.Err.toStdString();
    EXPECT_TRUE(batch.Err.contains("line 2: warning")) << batch.Err.toStdString();
    Write({"-o", File("px.png"), "--module-size", "6px", "abc"});
    Write({"-o", File("scale.png"), "--scale", "6", "abc"});
    EXPECT_EQ(ReadFile(File("px.png")), ReadFile(File("scale.png")));
}

TEST_F(CliPrintSize, PdfPageIsTheSymbolDrawnWithVectorsOnly) {
    const QString path = File("label.pdf");
    Write({"-o", path, "--size", "20mm", Url});
    const CliRun info = Tool(QStringLiteral("pdfinfo"), {path});
    EXPECT_EQ(info.Err, "");
    // 20 mm = 56.6929 points.
    EXPECT_NEAR(NumberAfter(info.Out, QStringLiteral("Page size:")), 56.6929, 1e-3);
    EXPECT_NEAR(NumberAfter(info.Out, QStringLiteral("Pages:")), 1, 0);
    // pdfimages lists a header of two lines and then one line per raster image: none here.
    const CliRun images = Tool(QStringLiteral("pdfimages"), {"-list", path});
    EXPECT_EQ(images.Out.count('\n'), 2) << images.Out.toStdString();
    for (const bool ghostscript : {false, true}) {
        const QImage page = Render(path, 300, ghostscript);
        EXPECT_NEAR(page.width(), 236, 1) << ghostscript; // 20 mm at 300 dpi
        const auto reading = ReadWithZXing(page);
        ASSERT_TRUE(reading) << "rendered by " << (ghostscript ? "Ghostscript" : "Poppler");
        EXPECT_EQ(reading->Text, Url.toStdString());
    }
}

TEST_F(CliPrintSize, EpsBoundingBoxIsTheSymbolAndGhostscriptReadsIt) {
    const QString path = File("label.eps");
    Write({"-o", path, "--size", "20mm", Url});
    const QByteArray eps = ReadFile(path);
    EXPECT_TRUE(eps.startsWith("%!PS-Adobe-3.0 EPSF-3.0\n"));
    EXPECT_TRUE(eps.contains("\n%%BoundingBox: 0 0 57 57\n"));
    EXPECT_TRUE(eps.contains("\n%%HiResBoundingBox: 0 0 56.6929 56.6929\n"));
    // Ghostscript's bbox device measures what is painted in other colours than white: the dark
    // modules, from the quiet zone's 4 modules to 29 of 33, 6.87 to 49.82 points.
    const CliRun box = Tool(QStringLiteral("gs"),
                            {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=bbox", path});
    const double module = 56.6929 / UrlWidth;
    const QStringList corners = QString::fromUtf8(box.Err)
                                    .section(QStringLiteral("%%HiResBoundingBox: "), 1)
                                    .section('\n', 0, 0)
                                    .split(' ');
    ASSERT_EQ(corners.size(), 4) << box.Err.toStdString();
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(corners[i].toDouble(), module * (i < 2 ? 4 : 29), 0.1) << i;
    }
    const auto reading = ReadWithZXing(Render(path, 300, true));
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->Text, Url.toStdString());
}

TEST_F(CliPrintSize, SvgStatesItsSizeInTheUnitAsked) {
    struct Case {
        QStringList Size;
        const char* Width;
    };
    for (const Case& c : std::vector<Case>{{{"--size", "20mm"}, "20mm"},
                                           {{"--size", "2cm"}, "2cm"},
                                           {{"--dpi", "300", "--size", "100px"}, "24pt"},
                                           {{"--module-size", "0.02in"}, "0.66in"},
                                           {{"--dpi", "300", "--module-size", "6px"}, "0.66in"},
                                           {{"--scale", "3"}, "99"}}) {
        const QString path = File("label.svg");
        Write(QStringList{"-o", path} + c.Size + QStringList{Url});
        const QByteArray svg = ReadFile(path);
        const QByteArray size = QByteArray("width=\"") + c.Width + "\" height=\"" + c.Width + "\"";
        EXPECT_TRUE(svg.contains(size)) << c.Width << "\n" << svg.left(300).toStdString();
        EXPECT_TRUE(svg.contains("viewBox=\"0 0 33 33\""));
    }
}

// An rMQR symbol is wider than high: --size is its width with the quiet zone, and every format
// is that wide and as high as its modules make it. R11x27 with its quiet zone of 2 is 31 x 15
// modules; 30 mm wide is 14.5161 mm high (85.0394 x 41.1481 pt), and at 300 dpi 11 pixels a
// module (354.3 pixels across, 3.8% over 341).
TEST_F(CliPrintSize, RectangularSymbolsAreTheSizeAskedAcrossAndTheirModulesDown) {
    const QStringList rmqr = {"--symbology", "rmqr", "--symbol-version", "R11x27",
                              "--size",      "30mm", "LOT 4711"};
    Write(rmqr + QStringList{"--dpi", "300", "-o", File("strip.png")});
    const CliRun identify = Tool(QStringLiteral("identify"), {"-units", "PixelsPerInch", "-format",
                                                              "%x %y %w %h", File("strip.png")});
    EXPECT_EQ(QString::fromUtf8(identify.Out).split(' ').mid(2), (QStringList{"341", "165"}));
    EXPECT_NEAR(QString::fromUtf8(identify.Out).section(' ', 0, 0).toDouble(), 300.0, 0.01);

    Write(rmqr + QStringList{"-o", File("strip.svg")});
    EXPECT_TRUE(ReadFile(File("strip.svg"))
                    .contains("width=\"30mm\" height=\"14.5161mm\" viewBox=\"0 0 31 15\""));
    Write(rmqr + QStringList{"-o", File("strip.pdf")});
    const QByteArray info = Tool(QStringLiteral("pdfinfo"), {File("strip.pdf")}).Out;
    EXPECT_TRUE(info.contains("85.0394 x 41.1481 pts")) << info.toStdString();
}

TEST_F(CliPrintSize, ColoursTransparencyAndProcessInks) {
    // A transparent ground is left unpainted in PDF and EPS: Ghostscript's alpha device shows
    // the quiet zone's corner transparent.
    for (const char* name : {"clear.pdf", "clear.eps"}) {
        const QString path = File(name);
        Write({"-o", path, "--size", "20mm", "--background", "ffffff00", "abc"});
        const QString png = path + ".png";
        Tool(QStringLiteral("gs"), {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop",
                                    "-sDEVICE=pngalpha", "-r72", "-sOutputFile=" + png, path});
        const QImage picture(png);
        ASSERT_FALSE(picture.isNull()) << name;
        EXPECT_EQ(qAlpha(picture.pixel(1, 1)), 0) << name;
        EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)) > 0, true);
    }
    // Dark blue 1a237e as process colours is cyan, magenta and black without yellow; as RGB,
    // Ghostscript's own conversion puts some yellow in. inkcov reports the share of the page each
    // ink covers: C M Y K.
    for (const char* name : {"ink.pdf", "ink.eps"}) {
        for (const bool cmyk : {true, false}) {
            const QString path = File(name);
            QStringList arguments{"-o", path, "--size", "20mm", "--foreground", "1a237e", "abc"};
            if (cmyk) {
                arguments << "--cmyk";
            }
            Write(arguments);
            const CliRun inks = Tool(QStringLiteral("gs"), {"-q", "-dSAFER", "-dEPSCrop", "-o", "-",
                                                            "-sDEVICE=inkcov", path});
            const QStringList cover = QString::fromUtf8(inks.Out).simplified().split(' ');
            ASSERT_GE(cover.size(), 4) << inks.Out.toStdString();
            EXPECT_GT(cover[0].toDouble(), 0) << name << cmyk;
            EXPECT_GT(cover[3].toDouble(), 0) << name << cmyk;
            EXPECT_EQ(cover[2].toDouble() == 0, cmyk) << name << " " << inks.Out.toStdString();
        }
    }
}

TEST_F(CliPrintSize, SizesThatCannotBeDrawnAreRefusedWithStatusTwo) {
    struct Case {
        QStringList Arguments;
        const char* Message;
    };
    for (const Case& c : std::vector<Case>{
             {{"--size", "0.5", "--format", "pdf"}, "unit"},
             {{"--size", "0", "--format", "pdf"}, "greater than zero, with a unit"},
             {{"--size", "1e400mm", "--format", "pdf"}, "not '1e400'"},
             {{"--size", "5km", "--format", "pdf"}, "'km'"},
             {{"--size", "-2mm", "--format", "pdf"}, "positive"},
             {{"--module-size", "0mm", "--format", "pdf"}, "greater than zero"},
             {{"--size", "20mm", "--format", "png"}, "needs --dpi"},
             {{"--module-size", "0.05mm", "--dpi", "300", "--format", "png"}, "at least 1"},
             {{"--module-size", "0.05mm", "--dpi", "300", "--format", "pdf"}, "at least 1"},
             {{"--size", "2mm", "--dpi", "300", "--format", "png"}, "at least 1"},
             {{"--module-size", "9mm", "--dpi", "600", "--format", "png"}, "at most 100"},
             {{"--size", "6m", "--format", "pdf"}, "'m'"},
             {{"--size", "210in", "--format", "eps"}, "at most 5080mm"},
             {{"--dpi", "300", "--format", "matrix"}, "--dpi"},
             {{"--dpi", "300", "--format", "utf8"}, "--dpi"},
             {{"--dpi", "300", "--format", "ansi"}, "--dpi"},
             {{"--dpi", "0", "--format", "png"}, "1..2400"},
             {{"--dpi", "2401", "--format", "png"}, "1..2400"},
             {{"--scale", "4", "--size", "20mm", "--format", "pdf"}, "only one of"},
             {{"--module-size", "1mm", "--size", "20mm", "--format", "pdf"}, "only one of"},
             {{"--cmyk", "--format", "png"}, "--cmyk"},
         }) {
        const QString path = File("refused.out");
        const CliRun run = RunCli(c.Arguments + QStringList{"-o", path, Url});
        const std::string arguments = c.Arguments.join(' ').toStdString();
        EXPECT_EQ(run.ExitCode, 2) << arguments;
        EXPECT_TRUE(run.Err.contains(c.Message)) << arguments << ": " << run.Err.toStdString();
        EXPECT_FALSE(QFile::exists(path)) << arguments;
    }
}

TEST_F(CliPrintSize, VerifyReadsDrawingsAtThePrintedSize) {
    for (const char* name : {"ok.pdf", "ok.eps"}) {
        Write({"--verify", "-o", File(name), "--dpi", "300", "--size", "20mm", Url});
        EXPECT_TRUE(QFile::exists(File(name)));
    }
    // 0.09 mm a module is 1.06 pixels at 300 dpi: drawn, but no reader finds it at that
    // resolution, and the file is removed.
    for (const char* name : {"tiny.pdf", "tiny.eps"}) {
        const CliRun run =
            RunCli({"--verify", "-o", File(name), "--dpi", "300", "--module-size", "0.09mm", Url});
        EXPECT_EQ(run.ExitCode, 1) << name << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("does not read back")) << run.Err.toStdString();
        EXPECT_FALSE(QFile::exists(File(name)));
    }
    // Without Ghostscript on the PATH an EPS cannot be checked, and nothing is written.
    ostrel::test::CliSetting noGhostscript;
    noGhostscript.Environment[QStringLiteral("PATH")] = m_Folder.path();
    const CliRun refused =
        RunCli({"--verify", "-o", File("no-gs.eps"), "--size", "20mm", Url}, {}, noGhostscript);
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_TRUE(refused.Err.contains("Ghostscript")) << refused.Err.toStdString();
    EXPECT_FALSE(QFile::exists(File("no-gs.eps")));
}

TEST_F(CliPrintSize, BatchDrawingsAreTheSameBytesOnEveryRun) {
    const QString lines = File("lines.txt");
    ostrel::test::WriteFile(lines, "alpha\nbeta\ngamma\n");
    for (const char* format : {"pdf", "eps"}) {
        std::vector<QByteArray> runs;
        for (int run = 0; run < 2; ++run) {
            const QString folder = File(format) + QString::number(run);
            QDir().mkpath(folder);
            Write({"--batch", lines, "--size", "1in", "-o", folder + "/%s." + format});
            QByteArray all;
            for (const char* line : {"alpha", "beta", "gamma"}) {
                const QByteArray data =
                    ReadFile(folder + "/" + QString::fromLatin1(line) + "." + format);
                EXPECT_FALSE(data.isEmpty()) << line;
                all += data;
            }
            runs.push_back(all);
        }
        EXPECT_EQ(runs[0], runs[1]) << format;
    }
}

} // namespace
