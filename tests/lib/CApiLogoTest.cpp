// ostrel_qr_render_logo(): a logo given as RGBA pixels over a symbol of the C interface, read
// back by zxing-cpp and ZBar in PNG, BMP, SVG and PDF; the refusals of the tool's --logo as error
// codes, with nothing handed out.
#include <ostrel/qr.h>

#include "CliRunner.h"
#include "PeerReaders.h"
#include "TestFiles.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using SymbolPointer = std::unique_ptr<ostrel_qr_symbol, decltype(&ostrel_qr_symbol_free)>;
const std::string kText = "https://example.com/shop/42";

SymbolPointer Encode(int symbology, int version, int level = OSTREL_QR_LEVEL_H,
                     const std::string& text = kText) {
    ostrel_qr_options options;
    ostrel_qr_options_init(&options);
    options.symbology = symbology;
    options.version = version;
    options.level = level;
    ostrel_qr_symbol* symbol = nullptr;
    ostrel_qr_encode(reinterpret_cast<const unsigned char*>(text.data()), text.size(), &options,
                     &symbol);
    return {symbol, &ostrel_qr_symbol_free};
}

// A wide red bar, half transparent at the ends: 40 x 16 pixels.
std::vector<unsigned char> Bar() {
    std::vector<unsigned char> rgba;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 40; ++x) {
            const unsigned char alpha = x < 4 || x >= 36 ? 128 : 255;
            rgba.insert(rgba.end(), {220, 20, 30, alpha});
        }
    }
    return rgba;
}

int Render(const ostrel_qr_symbol* symbol, int format, const ostrel_qr_logo& logo,
           std::string& file) {
    ostrel_qr_render_options options;
    ostrel_qr_render_options_init(&options);
    options.format = format;
    options.scale = 6;
    unsigned char* out = nullptr;
    size_t length = 0;
    const int status = ostrel_qr_render_logo(symbol, &options, &logo, &out, &length);
    file.assign(reinterpret_cast<const char*>(out), length);
    EXPECT_EQ(out == nullptr, status != OSTREL_QR_OK);
    ostrel_qr_free(out);
    return status;
}

TEST(CApiLogo, PixelLogosReadBackInEveryFormatThatDrawsThem) {
    const SymbolPointer symbol = Encode(OSTREL_QR_SYMBOLOGY_QR, 7);
    ASSERT_TRUE(symbol);
    const std::vector<unsigned char> bar = Bar();
    ostrel_qr_logo logo;
    ostrel_qr_logo_init(&logo);
    logo.rgba = bar.data();
    logo.width = 40;
    logo.height = 16;
    QTemporaryDir folder;
    const struct {
        int Format;
        const char* Name;
    } formats[] = {{OSTREL_QR_FORMAT_PNG, "png"},
                   {OSTREL_QR_FORMAT_BMP, "bmp"},
                   {OSTREL_QR_FORMAT_SVG, "svg"},
                   {OSTREL_QR_FORMAT_PDF, "pdf"}};
    for (const auto& format : formats) {
        std::string file;
        ASSERT_EQ(Render(symbol.get(), format.Format, logo, file), OSTREL_QR_OK) << format.Name;
        const QString path = folder.filePath(QStringLiteral("logo.") + format.Name);
        ostrel::test::WriteFile(path, QByteArray::fromStdString(file));
        const std::string name = format.Name;
        const QImage picture = name == "svg"   ? ostrel::test::RenderSvg(path, QSize(600, 600))
                               : name == "pdf" ? ostrel::test::Render(path, 300, false)
                                               : QImage(path);
        const auto reading = ostrel::test::ReadWithZXing(picture);
        ASSERT_TRUE(reading) << name;
        EXPECT_EQ(reading->Bytes, kText);
        EXPECT_EQ(ostrel::test::ReadWithZBar(picture).value_or(""), kText) << name;
        if (name == "png") {
            // The bar's red a little above the middle (the centre alignment pattern is drawn
            // over the picture).
            const QRgb red = picture.pixel(picture.width() / 2 - 20, picture.height() / 2 - 8);
            EXPECT_GT(qRed(red), 150);
            EXPECT_LT(qGreen(red), 100);
        }
    }
}

TEST(CApiLogo, LogosThatDoNotFitAndBadFieldsAreRefused) {
    const SymbolPointer symbol = Encode(OSTREL_QR_SYMBOLOGY_QR, 5);
    const SymbolPointer micro = Encode(OSTREL_QR_SYMBOLOGY_MICRO_QR, 4, OSTREL_QR_LEVEL_L, "42");
    const std::vector<unsigned char> bar = Bar();
    ostrel_qr_logo logo;
    ostrel_qr_logo_init(&logo);
    logo.rgba = bar.data();
    logo.width = 40;
    logo.height = 16;
    std::string file;
    EXPECT_EQ(Render(symbol.get(), OSTREL_QR_FORMAT_PNG, logo, file), OSTREL_QR_OK);
    ostrel_qr_logo big = logo;
    big.size = 0.45;
    EXPECT_EQ(Render(symbol.get(), OSTREL_QR_FORMAT_PNG, big, file), OSTREL_QR_ERROR_LOGO);
    EXPECT_EQ(Render(symbol.get(), OSTREL_QR_FORMAT_EPS, logo, file),
              OSTREL_QR_ERROR_INVALID_RENDER_OPTION);
    ASSERT_TRUE(micro);
    EXPECT_EQ(Render(micro.get(), OSTREL_QR_FORMAT_PNG, logo, file), OSTREL_QR_ERROR_LOGO);
    for (const auto& spoil : std::vector<void (*)(ostrel_qr_logo&)>{
             [](ostrel_qr_logo& l) { l.budget = 5; }, [](ostrel_qr_logo& l) { l.size = 0; },
             [](ostrel_qr_logo& l) { l.margin = 11; }, [](ostrel_qr_logo& l) { l.width = 0; },
             [](ostrel_qr_logo& l) { l.rgba = nullptr; },
             [](ostrel_qr_logo& l) { l.reserved[2] = 1; }}) {
        ostrel_qr_logo bad = logo;
        spoil(bad);
        EXPECT_EQ(Render(symbol.get(), OSTREL_QR_FORMAT_PNG, bad, file),
                  OSTREL_QR_ERROR_INVALID_OPTION);
    }
}

} // namespace
