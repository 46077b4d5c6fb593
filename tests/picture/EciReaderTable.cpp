// eci_reader_table TEXTS OUTDIR: for every line of TEXTS (UTF-8), four symbols — the text in
// UTF-8 and in GBK (code page 936), each without and with its ECI designator (26, 29) — written
// as PNG pictures to OUTDIR and read back by zxing-cpp and by ZBar (both in text mode, where the
// reader converts to UTF-8 by the designator or by its own guess). Writes OUTDIR/manifest.tsv
// (file, variant, exact by zxing-cpp, exact by ZBar, the text, zxing-cpp's text, ZBar's text)
// for other readers to be run over
// the same pictures, and prints the counts of texts each reader shows exactly.
#include "CodePage.h"
#include "PeerReaders.h"
#include "TestFiles.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <QImage>

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using ostrel::platform::CodePage;

// The text zxing-cpp shows, converted to UTF-8.
std::optional<std::string> ReadZxing(const QImage& grey) {
    const auto reading = ostrel::test::ReadWithZXing(grey);
    if (!reading) {
        return std::nullopt;
    }
    return reading->Text;
}

// A reader's text for the manifest: tabs and line breaks as blanks, "-" for nothing read.
std::string Printable(const std::optional<std::string>& text) {
    if (!text) {
        return "-";
    }
    std::string out = *text;
    for (char& c : out) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return out;
}

struct Variant {
    const char* Name;
    int CodePage;
    bool Eci;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: eci_reader_table TEXTS OUTDIR\n";
        return 2;
    }
    const std::vector<std::string> texts = ostrel::test::ReadTextLines(argv[1]);
    if (texts.empty()) {
        std::cerr << "eci_reader_table: no texts in " << argv[1] << "\n";
        return 2;
    }
    const std::string outDir = argv[2];
    std::ofstream manifest(outDir + "/manifest.tsv");
    if (!manifest) {
        std::cerr << "eci_reader_table: cannot write to " << outDir << "\n";
        return 2;
    }

    static constexpr std::array<Variant, 4> kVariants = {{{"utf8", CodePage::Utf8, false},
                                                          {"utf8-eci", CodePage::Utf8, true},
                                                          {"gbk", 936, false},
                                                          {"gbk-eci", 936, true}}};
    std::array<int, 4> zxingExact{};
    std::array<int, 4> zbarExact{};
    ostrel::clsQRCode qr;
    qr.SetKanjiMode(false); // neither UTF-8 nor GBK is Shift JIS
    for (std::size_t t = 0; t < texts.size(); ++t) {
        const std::string& text = texts[t];
        for (std::size_t v = 0; v < kVariants.size(); ++v) {
            const Variant& variant = kVariants[v];
            const Bytes bytes =
                CodePage::Utf16ToCodePage(CodePage::Utf8ToUtf16(text), variant.CodePage);
            qr.SetEciDesignator(variant.Eci ? CodePage::EciDesignatorFor(bytes, variant.CodePage)
                                            : 0);
            const QImage picture =
                qr.Encode(bytes, static_cast<std::int32_t>(bytes.size()), 0, 2, 0);
            if (picture.isNull()) {
                std::cerr << "eci_reader_table: no symbol for line " << t + 1 << "\n";
                return 1;
            }
            const QImage grey = ostrel::mdlTilvane::StretchPicture(picture, picture.width() * 4,
                                                                   picture.height() * 4)
                                    .convertToFormat(QImage::Format_Grayscale8);
            char name[64];
            std::snprintf(name, sizeof name, "%03zu-%s.png", t + 1, variant.Name);
            if (!grey.save(QString::fromStdString(outDir + "/" + name))) {
                std::cerr << "eci_reader_table: cannot write " << name << "\n";
                return 1;
            }
            const std::optional<std::string> zxText = ReadZxing(grey);
            const std::optional<std::string> zbText = ostrel::test::ReadWithZBar(grey);
            const bool zx = zxText == text;
            const bool zb = zbText == text;
            zxingExact[v] += zx ? 1 : 0;
            zbarExact[v] += zb ? 1 : 0;
            manifest << name << '\t' << variant.Name << '\t' << zx << '\t' << zb << '\t' << text
                     << '\t' << Printable(zxText) << '\t' << Printable(zbText) << '\n';
        }
    }
    std::cout << "texts\t" << texts.size() << '\n';
    for (std::size_t v = 0; v < kVariants.size(); ++v) {
        std::cout << kVariants[v].Name << "\tzxing-cpp\t" << zxingExact[v] << "\tZBar\t"
                  << zbarExact[v] << '\n';
    }
    return 0;
}
