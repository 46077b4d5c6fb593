// hanzi_reader_table TEXTS OUTDIR: for every line of TEXTS (UTF-8), the symbols that
// ostrel-qr-cli makes of it (level M, automatic version, mask 0): its UTF-8 bytes, its GB 2312
// bytes in Hanzi mode with designator 29 (--hanzi), and its UTF-8 bytes in two structured-append
// symbols, each alone and both side by side in one picture. Writes them as PNG pictures (4 pixels a
// module, quiet zone of 4) to OUTDIR, reads them with zxing-cpp and ZBar (text mode), and writes
// OUTDIR/manifest.tsv for other readers: file, variant, exact by zxing-cpp, exact by ZBar, the
// text the picture should show, zxing-cpp's text, ZBar's text, the symbol's version. Prints the
// counts and the versions.
#include "CodePage.h"
#include "PeerReaders.h"
#include "TestFiles.h"
#include "clsQRCode.h"
#include "clsStructuredAppend.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using ostrel::clsQRCode;
using ostrel::clsStructuredAppend;
using ostrel::platform::CodePage;

constexpr int kPixels = 4;
constexpr int kQuietZone = 4;
constexpr std::int32_t kLevelM = 2;

QImage Picture(const clsQRCode::Symbol& symbol) {
    const int side = (symbol.Side + 2 * kQuietZone) * kPixels;
    QImage picture(side, side, QImage::Format_Grayscale8);
    picture.fill(255);
    for (int y = 0; y < symbol.Side; ++y) {
        for (int x = 0; x < symbol.Side; ++x) {
            if (symbol.At(x, y) != 0) {
                for (int dy = 0; dy < kPixels; ++dy) {
                    std::fill_n(picture.scanLine((y + kQuietZone) * kPixels + dy) +
                                    (x + kQuietZone) * kPixels,
                                kPixels, 0);
                }
            }
        }
    }
    return picture;
}

// A reader's text for the manifest: tabs and line breaks as blanks, "-" for nothing read.
std::string Printable(const std::optional<std::string>& text) {
    if (!text) {
        return "-";
    }
    std::string out = *text;
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return out;
}

struct Table {
    std::ofstream Manifest;
    std::string OutDir;

    // Saves the picture, reads it with both readers and records it; false when it cannot be
    // saved.
    bool Add(const QImage& picture, const std::string& name, const std::string& variant,
             const std::string& expected, std::int32_t version, bool zxingExact = false) {
        if (!picture.save(QString::fromStdString(OutDir + "/" + name))) {
            std::cerr << "hanzi_reader_table: cannot write " << name << "\n";
            return false;
        }
        const auto zx = ostrel::test::ReadWithZXing(picture);
        const std::optional<std::string> zxText =
            zx ? std::optional<std::string>(zx->Text) : std::nullopt;
        const std::optional<std::string> zbText = ostrel::test::ReadWithZBar(picture);
        Manifest << name << '\t' << variant << '\t' << (zxingExact || zxText == expected) << '\t'
                 << (zbText == expected) << '\t' << expected << '\t' << Printable(zxText) << '\t'
                 << Printable(zbText) << '\t' << version << '\n';
        return true;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: hanzi_reader_table TEXTS OUTDIR\n";
        return 2;
    }
    const std::vector<std::string> texts = ostrel::test::ReadTextLines(argv[1]);
    Table table{std::ofstream(std::string(argv[2]) + "/manifest.tsv"), argv[2]};
    if (texts.empty() || !table.Manifest) {
        std::cerr << "hanzi_reader_table: no texts in " << argv[1] << " or no " << argv[2] << "\n";
        return 2;
    }
    clsQRCode qr;
    qr.SetKanjiMode(false);
    for (std::size_t t = 0; t < texts.size(); ++t) {
        const std::string& text = texts[t];
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%03zu-", t + 1);
        const Bytes utf8(text.begin(), text.end());
        const auto gb = CodePage::Utf16ToGb2312(CodePage::Utf8ToUtf16(text));
        if (gb.Missing) {
            std::cerr << "hanzi_reader_table: line " << t + 1 << ": "
                      << CodePage::NameCharacter(*gb.Missing, gb.MissingPosition)
                      << " is not in GB 2312\n";
            return 1;
        }

        qr.SetHanziMode(false);
        const auto plain = qr.EncodeMatrix(utf8, std::ssize(utf8), 0, kLevelM, 0);
        // As ostrel-qr-cli --hanzi: designator 29 (GB 2312) for the byte segments.
        qr.SetHanziMode(true);
        qr.SetEciDesignator(CodePage::EciDesignatorFor(gb.Bytes, 936));
        const auto hanzi = qr.EncodeMatrix(gb.Bytes, std::ssize(gb.Bytes), 0, kLevelM, 0);
        qr.SetHanziMode(false);
        qr.SetEciDesignator(0);
        if (!plain || !hanzi) {
            std::cerr << "hanzi_reader_table: no symbol for line " << t + 1 << "\n";
            return 1;
        }
        if (!table.Add(Picture(*plain), prefix + std::string("utf8.png"), "utf8", text,
                       plain->Version) ||
            !table.Add(Picture(*hanzi), prefix + std::string("hanzi.png"), "hanzi", text,
                       hanzi->Version)) {
            return 1;
        }

        // Two structured-append symbols of the UTF-8 text (a text of one character stays one).
        const auto plan = clsStructuredAppend::Split(qr, utf8, kLevelM, 0, text.size() > 3 ? 2 : 1,
                                                     clsStructuredAppend::Characters::Utf8);
        std::vector<QImage> pictures;
        bool zxingJoins = true;
        for (std::size_t k = 0; k < plan.Parts.size(); ++k) {
            const auto& part = plan.Parts[k];
            qr.SetStructuredAppend(clsQRCode::StructuredAppendHeader{
                static_cast<std::int32_t>(k), static_cast<std::int32_t>(plan.Parts.size()),
                plan.Parity});
            const auto symbol = qr.EncodeMatrix(std::span(utf8).subspan(part.Offset), part.Length,
                                                plan.Version, kLevelM, 0);
            qr.SetStructuredAppend(std::nullopt);
            if (!symbol) {
                std::cerr << "hanzi_reader_table: no structured-append symbol for line " << t + 1
                          << "\n";
                return 1;
            }
            pictures.push_back(Picture(*symbol));
            // zxing-cpp: the header's fields and the part's bytes.
            const auto reading = ostrel::test::ReadWithZXing(pictures.back());
            zxingJoins = zxingJoins && reading && reading->SequenceIndex == static_cast<int>(k) &&
                         reading->SequenceSize == static_cast<int>(plan.Parts.size()) &&
                         reading->SequenceId == std::to_string(plan.Parity) &&
                         reading->Bytes == text.substr(static_cast<std::size_t>(part.Offset),
                                                       static_cast<std::size_t>(part.Length));
            if (!table.Add(pictures.back(),
                           prefix + std::string("sa-") + std::to_string(k + 1) + ".png", "sa-part",
                           text.substr(static_cast<std::size_t>(part.Offset),
                                       static_cast<std::size_t>(part.Length)),
                           plan.Version)) {
                return 1;
            }
        }
        // Both side by side, as a reader sees a label with the whole sequence.
        QImage pair(pictures[0].width() * static_cast<int>(pictures.size()), pictures[0].height(),
                    QImage::Format_Grayscale8);
        pair.fill(255);
        QPainter painter(&pair);
        for (std::size_t k = 0; k < pictures.size(); ++k) {
            painter.drawImage(static_cast<int>(k) * pictures[0].width(), 0, pictures[k]);
        }
        painter.end();
        if (!table.Add(pair, prefix + std::string("sa-pair.png"), "sa-pair", text, plan.Version,
                       zxingJoins)) {
            return 1;
        }
    }
    return 0;
}
