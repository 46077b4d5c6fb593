#include "SymbolVerifier.h"

#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QtEndian>

#include <ZXing/ReadBarcode.h>
#include <poppler-qt6.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace ostrel::cli {

namespace {

namespace fs = std::filesystem;

// Pixels per module of the pictures drawn in memory for the formats without one: enough for
// the reader's finder-pattern search, which measures runs of pixels.
constexpr int ModulePixels = 3;
// The quiet zone of the matrix when no --margin is given: the matrix is the bare module data,
// and whoever draws it adds the standard's quiet zone of 4 modules (ISO/IEC 18004 clause 6.3.8).
constexpr std::int32_t StandardQuietZone = 4;
// Pictures narrower than this are enlarged by whole pixel repetition before reading, as a viewer
// or a printer enlarges them: zxing-cpp judges the contrast of pictures under 40 pixels by one
// global threshold instead of its local ones, so that a colour pair it refuses at every real
// size would pass in a tiny picture.
constexpr int MinimumReadWidth = 64;

#ifdef OSTREL_VERIFY_FAULTS
// Only in the tool built for the tests: a disk that returns garbage. The bytes read from every
// file whose path holds the text of the environment variable OSTREL_VERIFY_DAMAGE come back
// with a run of 64 bytes from the middle on inverted.
void DamageForTests(const std::string& path, std::string& contents) {
    const char* pattern = std::getenv("OSTREL_VERIFY_DAMAGE");
    if (pattern == nullptr || *pattern == '\0' || path.find(pattern) == std::string::npos) {
        return;
    }
    const std::size_t end = std::min(contents.size(), contents.size() / 2 + 64);
    for (std::size_t i = contents.size() / 2; i < end; ++i) {
        contents[i] = static_cast<char>(~static_cast<unsigned char>(contents[i]));
    }
}
#endif

fs::path PathOf(const std::string& path) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

SymbolVerifier::Outcome Compare(const ZXing::Result& result, std::span<const std::uint8_t> expected,
                                const SymbolVerifier::Sequence& sequence) {
    if (!result.isValid()) {
        return SymbolVerifier::Outcome::NotFound;
    }
    const auto& bytes = result.bytes();
    // zxing-cpp gives a QR Code symbol's parity byte as its sequence id, in decimal.
    const bool header = sequence ? result.sequenceIndex() == sequence->Index &&
                                       result.sequenceSize() == sequence->Count &&
                                       result.sequenceId() == std::to_string(sequence->Parity)
                                 : !result.isPartOfSequence();
    return header && std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end())
               ? SymbolVerifier::Outcome::Verified
               : SymbolVerifier::Outcome::DifferentContent;
}

// Reads one QR Code symbol from pixels with zxing-cpp. A generated picture holds one upright,
// unrotated symbol, so it is read as such: the symbol found by its extent, the finder patterns
// checked at its three corners, the modules sampled at their centres, then the same decoding as
// for a camera picture (format information, error correction, the bit stream). That costs half
// of a search for finder patterns all over the picture, and the search misses some version 40
// symbols at exactly 2 pixels per module. The picture is binarized by local contrast as for any
// reading, so colours too close together fail.
SymbolVerifier::Outcome Read(const ZXing::ImageView& view, std::span<const std::uint8_t> expected,
                             const SymbolVerifier::Sequence& sequence) {
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setMaxNumberOfSymbols(1);
    hints.setIsPure(true);
    return Compare(ZXing::ReadBarcode(view, hints), expected, sequence);
}

// Reads one QR Code symbol from pixels as a scanner does: nothing is known of where the symbol
// is, so the finder patterns are searched for all over the picture. zxing-cpp's own defaults for
// a camera picture: the thorough search (try harder), rotated and downscaled pictures tried too.
SymbolVerifier::Outcome Scan(const ZXing::ImageView& view, std::span<const std::uint8_t> expected,
                             const SymbolVerifier::Sequence& sequence) {
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setMaxNumberOfSymbols(1);
    return Compare(ZXing::ReadBarcode(view, hints), expected, sequence);
}

// Luminance of a colour on white paper: the colour's own (ITU-R BT.601 weights in 1/1024, as
// readers take it from RGB) mixed with white by its opacity.
std::uint8_t Luminance(QRgb colour) {
    constexpr unsigned RedWeight = 306;
    constexpr unsigned GreenWeight = 601;
    constexpr unsigned BlueWeight = 117;
    const unsigned own = (RedWeight * static_cast<unsigned>(qRed(colour)) +
                          GreenWeight * static_cast<unsigned>(qGreen(colour)) +
                          BlueWeight * static_cast<unsigned>(qBlue(colour)) + 512) >>
                         10;
    const auto alpha = static_cast<unsigned>(qAlpha(colour));
    return static_cast<std::uint8_t>((own * alpha + 255 * (255 - alpha) + 127) / 255);
}

// A picture as the reader gets it: one byte of luminance a pixel, row after row.
struct GreyPicture {
    std::vector<std::uint8_t> Pixels;
    int Width = 0;
    int Height = 0;
};

// The luminance of every pixel, transparent ones laid over white as a viewer shows them. The
// palette pictures that BMP and PNG files of two colours give go through their colour table;
// the others through 32-bit ARGB. Pictures narrower than MinimumReadWidth are enlarged by whole
// pixel repetition.
GreyPicture Grey(const QImage& picture) {
    GreyPicture grey;
    if (picture.isNull()) {
        return grey;
    }
    const int factor = picture.width() < MinimumReadWidth
                           ? (MinimumReadWidth + picture.width() - 1) / picture.width()
                           : 1;
    grey.Width = picture.width() * factor;
    grey.Height = picture.height() * factor;
    grey.Pixels.resize(static_cast<std::size_t>(grey.Width) *
                       static_cast<std::size_t>(grey.Height));

    const QImage::Format format = picture.format();
    const bool palette = format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
                         format == QImage::Format_Indexed8;
    const QImage argb = palette ? QImage() : picture.convertToFormat(QImage::Format_ARGB32);
    if (!palette && argb.isNull()) {
        return {};
    }
    std::array<std::uint8_t, 256> table{};
    if (palette) {
        table.fill(0); // indices without a colour: black, as Qt shows them
        const QList<QRgb> colours = picture.colorTable();
        for (qsizetype i = 0; i < colours.size() && i < 256; ++i) {
            table[static_cast<std::size_t>(i)] = Luminance(colours[i]);
        }
    }
    // For the 1-bit formats: the eight pixels of every byte value, leftmost first (the high bit
    // in Format_Mono, the low bit in Format_MonoLSB).
    std::array<std::array<std::uint8_t, 8>, 256> bytePixels{};
    if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB) {
        for (unsigned value = 0; value < 256; ++value) {
            for (unsigned bit = 0; bit < 8; ++bit) {
                const unsigned shift = format == QImage::Format_Mono ? 7 - bit : bit;
                bytePixels[value][bit] = table[(value >> shift) & 1];
            }
        }
    }
    const int inWidth = picture.width();
    const int inHeight = picture.height();
    const auto width = static_cast<std::size_t>(grey.Width);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(inWidth));
    for (int y = 0; y < inHeight; ++y) {
        std::uint8_t* out = grey.Pixels.data() + static_cast<std::size_t>(y) * factor * width;
        std::uint8_t* line = factor == 1 ? out : row.data();
        if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB) {
            // Eight pixels a byte, through the table of the byte's eight luminances.
            const uchar* in = picture.constScanLine(y);
            for (int x = 0; x < inWidth; x += 8) {
                const std::size_t count = static_cast<std::size_t>(std::min(8, inWidth - x));
                std::copy_n(bytePixels[in[x >> 3]].begin(), count, line + x);
            }
        } else if (format == QImage::Format_Indexed8) {
            const uchar* in = picture.constScanLine(y);
            for (int x = 0; x < inWidth; ++x) {
                line[x] = table[in[x]];
            }
        } else {
            const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < inWidth; ++x) {
                line[x] = Luminance(in[x]);
            }
        }
        if (factor == 1) {
            continue;
        }
        for (int x = 0; x < inWidth; ++x) {
            std::fill_n(out + static_cast<std::ptrdiff_t>(x) * factor, factor, line[x]);
        }
        for (int copy = 1; copy < factor; ++copy) {
            std::copy_n(out, width, out + static_cast<std::size_t>(copy) * width);
        }
    }
    return grey;
}

QImage RenderSvg(const QByteArray& data) {
    QSvgRenderer renderer(data);
    if (!renderer.isValid()) {
        return {};
    }
    QImage canvas(renderer.defaultSize(), QImage::Format_RGB32);
    if (canvas.isNull()) {
        return {};
    }
    canvas.fill(Qt::white); // the paper under a drawing whose ground is not opaque
    QPainter painter(&canvas);
    renderer.render(&painter);
    painter.end();
    return canvas;
}

// The first page of a PDF file rendered by Poppler with smooth edges on white paper, as a
// viewer or a printer's raster image processor shows it.
QImage RenderPdf(const QByteArray& data, double dpi) {
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document || document->isLocked() || document->numPages() < 1) {
        return {};
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setPaperColor(Qt::white);
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    return page ? page->renderToImage(dpi, dpi) : QImage();
}

// An EPS drawing rendered by Ghostscript (its bounding box as the page, smooth edges, grey
// pixels on white), read from standard input and written as PNG to standard output. Null
// without Ghostscript or when it fails.
QImage RenderEps(const QByteArray& data, double dpi) {
    const std::string program = SymbolVerifier::GhostscriptProgram();
    if (program.empty() || data.isEmpty()) {
        return {};
    }
    QProcess ghostscript;
    ghostscript.start(QString::fromStdString(program),
                      {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                       QStringLiteral("-dNOPAUSE"), QStringLiteral("-dEPSCrop"),
                       QStringLiteral("-sDEVICE=pnggray"), QStringLiteral("-dGraphicsAlphaBits=4"),
                       QStringLiteral("-r") + QString::number(dpi, 'f', 2),
                       QStringLiteral("-sstdout=%stderr"), QStringLiteral("-sOutputFile=-"),
                       QStringLiteral("-")});
    if (!ghostscript.waitForStarted(30000)) {
        return {};
    }
    ghostscript.write(data);
    ghostscript.closeWriteChannel();
    if (!ghostscript.waitForFinished(120000) || ghostscript.exitStatus() != QProcess::NormalExit ||
        ghostscript.exitCode() != 0) {
        ghostscript.kill();
        return {};
    }
    return QImage::fromData(ghostscript.readAllStandardOutput(), "PNG");
}

// The bytes of the file at path as the disk gives them back; false when it cannot be read.
bool ReadContents(const std::string& path, QByteArray& contents) {
    std::ifstream file(PathOf(path), std::ios::binary);
    if (!file) {
        return false;
    }
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return false;
    }
#ifdef OSTREL_VERIFY_FAULTS
    DamageForTests(path, bytes);
#endif
    contents = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return true;
}

// The picture that the contents of a file in format show: decoded, or rendered at renderDpi
// (PDF, EPS) or at its own size (SVG); null when there is none.
QImage PictureOf(const QByteArray& data, OutputFormat format, double renderDpi) {
    switch (format) {
    case OutputFormat::Pdf:
        return RenderPdf(data, renderDpi);
    case OutputFormat::Eps:
        return RenderEps(data, renderDpi);
    case OutputFormat::Svg:
        return RenderSvg(data);
    case OutputFormat::Png:
        return QImage::fromData(data, "PNG");
    case OutputFormat::Bmp:
        // Qt reads a BMP cut short without complaint and leaves the missing rows as it found
        // the memory: the file must be as long as its header says.
        if (data.size() < 6 ||
            qFromLittleEndian<quint32>(data.constData() + 2) > static_cast<quint32>(data.size())) {
            return {};
        }
        return QImage::fromData(data, "BMP");
    case OutputFormat::Matrix:
    case OutputFormat::Utf8:
    case OutputFormat::Ansi:
        break;
    }
    return {};
}

// The modules drawn ModulePixels to a module, dark on light (light on dark when negative), with a
// quiet zone of margin modules (at least 0).
GreyPicture DrawModules(const clsQRCode::Symbol& symbol, std::int32_t margin, bool negative) {
    GreyPicture grey;
    const int width = (symbol.Columns() + 2 * margin) * ModulePixels;
    const int height = (symbol.Rows() + 2 * margin) * ModulePixels;
    const std::uint8_t light = negative ? 0 : 255;
    const std::uint8_t dark = negative ? 255 : 0;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, light);
    for (int y = 0; y < symbol.Rows(); ++y) {
        std::uint8_t* row =
            pixels.data() + static_cast<std::size_t>((y + margin) * ModulePixels) * width;
        for (int x = 0; x < symbol.Columns(); ++x) {
            if (symbol.At(x, y) != 0) {
                std::fill_n(row + static_cast<std::ptrdiff_t>(x + margin) * ModulePixels,
                            ModulePixels, dark);
            }
        }
        for (int copy = 1; copy < ModulePixels; ++copy) {
            std::copy_n(row, width, row + static_cast<std::size_t>(copy) * width);
        }
    }
    grey.Pixels = std::move(pixels);
    grey.Width = width;
    grey.Height = height;
    return grey;
}

// The symbology identifier zxing-cpp reports for the one upright symbol of a picture; empty when
// it reads none.
std::string IdentifierOf(const GreyPicture& grey) {
    if (grey.Pixels.empty()) {
        return {};
    }
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    hints.setMaxNumberOfSymbols(1);
    hints.setIsPure(true);
    const ZXing::Result result = ZXing::ReadBarcode(
        ZXing::ImageView(grey.Pixels.data(), grey.Width, grey.Height, ZXing::ImageFormat::Lum),
        hints);
    return result.isValid() ? result.symbologyIdentifier() : std::string();
}

} // namespace

std::string_view SymbolVerifier::Reason(Outcome outcome) {
    switch (outcome) {
    case Outcome::Verified:
        return {};
    case Outcome::NotFound:
        return "not found";
    case Outcome::DifferentContent:
        return "different content";
    case Outcome::Undetected:
        return "not found by a scanner's search";
    }
    return {};
}

SymbolVerifier::Check
SymbolVerifier::CheckWritten(OutputFormat format, std::optional<std::int32_t> margin, bool invert,
                             const clsQRCode::Symbol& symbol, const QByteArray& data,
                             const std::string& path, std::span<const std::uint8_t> expected,
                             double renderDpi, const Sequence& sequence, const ScanCheck& scan) {
    Check check;
    check.Strict = scan.Strict;
    // The reader reports FNC1's application indicator ahead of the bytes.
    std::vector<std::uint8_t> prefixed(scan.Prefix.begin(), scan.Prefix.end());
    if (!prefixed.empty()) {
        prefixed.insert(prefixed.end(), expected.begin(), expected.end());
        expected = prefixed;
    }
    double modulePixels = 0; // of the picture read
    GreyPicture read;        // with scan.Identifier: the picture read, for its identifier
    switch (format) {
    case OutputFormat::Matrix:
    case OutputFormat::Utf8:
        // utf8: the terminal's own colours draw the symbol, and --invert exists to make it dark
        // on light in either kind of terminal.
        check.Result =
            VerifyModules(symbol, margin.value_or(StandardQuietZone), false, expected, sequence);
        if (!scan.Identifier.empty()) {
            read = DrawModules(symbol, std::max(margin.value_or(StandardQuietZone), 0), false);
        }
        break;
    case OutputFormat::Ansi:
        // Explicit colours: --invert shows the negative.
        check.Result =
            VerifyModules(symbol, margin.value_or(StandardQuietZone), invert, expected, sequence);
        if (!scan.Identifier.empty()) {
            read = DrawModules(symbol, std::max(margin.value_or(StandardQuietZone), 0), invert);
        }
        break;
    case OutputFormat::Bmp:
    case OutputFormat::Png:
    case OutputFormat::Svg:
    case OutputFormat::Pdf:
    case OutputFormat::Eps: {
        QByteArray contents = data;
        QImage picture = path.empty() || ReadContents(path, contents)
                             ? PictureOf(contents, format, renderDpi)
                             : QImage();
        // A caption under the quiet zone makes the picture taller than the symbol: the reader
        // gets the symbol with its quiet zone alone, as a pure symbol.
        const std::int32_t quiet = std::max(margin.value_or(StandardQuietZone), 0);
        const auto symbolHeight = static_cast<int>(
            std::lround(static_cast<double>(picture.width()) * (symbol.Rows() + 2 * quiet) /
                        (symbol.Columns() + 2 * quiet)));
        if (picture.height() > symbolHeight + 1) {
            picture = picture.copy(0, 0, picture.width(), symbolHeight);
        }
        check.Result = VerifyPicture(picture, expected, sequence);
        if (!scan.Identifier.empty()) {
            read = Grey(picture);
        }
        modulePixels = static_cast<double>(picture.width()) /
                       (symbol.Columns() + 2 * margin.value_or(StandardQuietZone));
        break;
    }
    }
    // A symbol of the right bytes that the reader does not take for GS1 (or FNC1 in second
    // position) holds other content: a scanner would pass the data on unparsed.
    if (check.Result != Outcome::NotFound && !scan.Identifier.empty() &&
        IdentifierOf(read) != scan.Identifier) {
        check.Result = Outcome::DifferentContent;
    }
    if (check.Result != Outcome::Verified) {
        Explain(check, path, scan, modulePixels);
    }
    return check;
}

void SymbolVerifier::Explain(Check& check, const std::string& path, const ScanCheck& scan,
                             double modulePixels) {
    std::string reason(Reason(check.Result));
    const std::string larger =
        check.Result == Outcome::Undetected && scan.Larger ? scan.Larger(modulePixels) : "";
    if (check.Result == Outcome::Undetected && !scan.Strict) {
        check.Message = (path.empty() ? std::string("the symbol") : "'" + path + "'") + " is " +
                        reason + " (zxing-cpp reads it only when told where it is)" +
                        (larger.empty() ? "" : "; try " + larger);
        return;
    }
    if (!larger.empty()) {
        reason += "; try " + larger;
    }
    if (path.empty()) {
        check.Message = "the symbol does not read back (" + reason + "); nothing is written";
        return;
    }
    std::error_code error;
    fs::remove(PathOf(path), error);
    check.Message = "'" + path + "' does not read back (" + reason + "); the file is removed";
}

std::string SymbolVerifier::GhostscriptProgram() {
#ifdef _WIN32
    const QString name = QStringLiteral("gswin64c");
#else
    const QString name = QStringLiteral("gs");
#endif
    return QStandardPaths::findExecutable(name).toStdString();
}

bool SymbolVerifier::ReadsBackFromDisk(const std::string& path) {
    if (path.empty() || path == "-") {
        return false;
    }
    std::error_code error;
    const fs::file_status status = fs::status(PathOf(path), error);
    return !fs::exists(status) || fs::is_regular_file(status);
}

SymbolVerifier::Outcome SymbolVerifier::VerifyFile(const std::string& path, OutputFormat format,
                                                   std::span<const std::uint8_t> expected,
                                                   double renderDpi, const Sequence& sequence) {
    QByteArray contents;
    if (!ReadContents(path, contents)) {
        return Outcome::NotFound;
    }
    return VerifyFileData(contents, format, expected, renderDpi, sequence);
}

SymbolVerifier::Outcome SymbolVerifier::VerifyFileData(const QByteArray& data, OutputFormat format,
                                                       std::span<const std::uint8_t> expected,
                                                       double renderDpi, const Sequence& sequence) {
    return VerifyPicture(PictureOf(data, format, renderDpi), expected, sequence);
}

SymbolVerifier::Outcome SymbolVerifier::VerifyModules(const clsQRCode::Symbol& symbol,
                                                      std::int32_t margin, bool negative,
                                                      std::span<const std::uint8_t> expected,
                                                      const Sequence& sequence) {
    if (symbol.Columns() <= 0 || symbol.Rows() <= 0 || margin < 0) {
        return Outcome::NotFound;
    }
    const GreyPicture grey = DrawModules(symbol, margin, negative);
    return Read(
        ZXing::ImageView(grey.Pixels.data(), grey.Width, grey.Height, ZXing::ImageFormat::Lum),
        expected, sequence);
}

SymbolVerifier::Outcome SymbolVerifier::VerifyPicture(const QImage& picture,
                                                      std::span<const std::uint8_t> expected,
                                                      const Sequence& sequence) {
    const GreyPicture grey = Grey(picture);
    if (grey.Pixels.empty()) {
        return Outcome::NotFound;
    }
    const ZXing::ImageView view(grey.Pixels.data(), grey.Width, grey.Height,
                                ZXing::ImageFormat::Lum);
    const Outcome told = Read(view, expected, sequence);
    if (told != Outcome::Verified) {
        return told;
    }
    return Scan(view, expected, sequence) == Outcome::Verified ? Outcome::Verified
                                                               : Outcome::Undetected;
}

std::vector<QImage> SymbolVerifier::PdfPages(const QByteArray& data, double dpi) {
    std::vector<QImage> pages;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document || document->isLocked()) {
        return pages;
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setPaperColor(Qt::white);
    for (int i = 0; i < document->numPages(); ++i) {
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        pages.push_back(page ? page->renderToImage(dpi, dpi) : QImage());
    }
    return pages;
}

} // namespace ostrel::cli
