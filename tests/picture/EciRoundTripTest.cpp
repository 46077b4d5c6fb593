// Symbols that declare their character set with an ECI designator, read back by zxing-cpp and
// ZBar as text: both readers convert the data to UTF-8 by the designator, so the text they show
// must be the very text that went in, whatever code page carried it.
// ZBar before zxing-cpp: ZXing/Error.h defines a macro UnsupportedError that breaks ZBar's
// C++ headers.
#include <zbar.h>

#include "CodePage.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::CodePage;

// A symbol picture scaled up to `scale` pixels a module, as 8-bit grey.
QImage Grey(const QImage& picture, int scale) {
    return mdlTilvane::StretchPicture(picture, picture.width() * scale, picture.height() * scale)
        .convertToFormat(QImage::Format_Grayscale8);
}

struct Reading {
    std::string Text; // the reader's text, converted to UTF-8
    Bytes Raw;        // the bytes of the segments, as transmitted
    bool HasEci = false;
};

std::optional<Reading> ReadZxing(const QImage& grey) {
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    const ZXing::Result result = ZXing::ReadBarcode(
        ZXing::ImageView(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                         static_cast<int>(grey.bytesPerLine())),
        hints);
    if (!result.isValid()) {
        return std::nullopt;
    }
    return Reading{result.text(), Bytes(result.bytes().begin(), result.bytes().end()),
                   result.hasECI()};
}

// ZBar in its text mode (no ZBAR_CFG_BINARY): it converts the data to UTF-8 itself.
std::optional<std::string> ReadZbar(const QImage& grey) {
    const std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)>
        scanner(zbar::zbar_image_scanner_create(), zbar::zbar_image_scanner_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    Bytes pixels;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        pixels.insert(pixels.end(), line, line + grey.width());
    }
    const std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> image(
        zbar::zbar_image_create(), zbar::zbar_image_destroy);
    zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(grey.width()),
                              static_cast<unsigned>(grey.height()));
    zbar::zbar_image_set_data(image.get(), pixels.data(), pixels.size(), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), image.get()) <= 0) {
        return std::nullopt;
    }
    for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image.get());
         symbol != nullptr; symbol = zbar::zbar_symbol_next(symbol)) {
        if (zbar::zbar_symbol_get_type(symbol) == zbar::ZBAR_QRCODE) {
            return std::string(zbar::zbar_symbol_get_data(symbol),
                               zbar::zbar_symbol_get_data_length(symbol));
        }
    }
    return std::nullopt;
}

Bytes ToCodePage(const std::string& utf8, int codePage) {
    return CodePage::Utf16ToCodePage(CodePage::Utf8ToUtf16(utf8), codePage);
}

enum class Readers { Both, ZxingOnly };

// Encodes the text in a code page with the designator that CodePage gives it, Kanji mode on for
// Shift JIS only, reads the symbol with the readers and expects the UTF-8 text back.
void ExpectRoundTrip(const std::string& utf8, int codePage, std::int32_t level,
                     Readers readers = Readers::Both) {
    const Bytes bytes = ToCodePage(utf8, codePage);
    ASSERT_EQ(std::count(bytes.begin(), bytes.end(), '?'),
              std::count(utf8.begin(), utf8.end(), '?'))
        << "not representable in code page " << codePage << ": " << utf8;
    const std::int32_t designator = CodePage::EciDesignatorFor(bytes, codePage);
    ASSERT_GT(designator, 0) << utf8;
    clsQRCode qr;
    qr.SetKanjiMode(codePage == 932);
    qr.SetEciDesignator(designator);
    const QImage grey =
        Grey(qr.Encode(bytes, static_cast<std::int32_t>(bytes.size()), 0, level, 0), 4);
    ASSERT_FALSE(grey.isNull());

    const auto zx = ReadZxing(grey);
    ASSERT_TRUE(zx) << "zxing-cpp found nothing: " << utf8;
    EXPECT_TRUE(zx->HasEci) << utf8;
    EXPECT_EQ(zx->Raw, bytes) << utf8;
    EXPECT_EQ(zx->Text, utf8) << "zxing-cpp, code page " << codePage;
    if (readers == Readers::ZxingOnly) {
        return;
    }
    const auto zb = ReadZbar(grey);
    ASSERT_TRUE(zb) << "ZBar found nothing: " << utf8;
    EXPECT_EQ(*zb, utf8) << "ZBar, code page " << codePage;
}

const std::vector<std::string>& ChineseTexts() {
    static const std::vector<std::string> texts = {
        "二维码生成器",
        "欢迎光临！本店营业时间：每天上午九点至晚上十点。",
        "联系人：王小明，电话：13800138000，地址：北京市海淀区中关村大街1号",
        "https://www.example.cn/商品/详情?编号=2024001",
        "会议通知：请各部门负责人于周三下午两点到三楼会议室参加季度总结会。",
        "床前明月光，疑是地上霜。举头望明月，低头思故乡。",
        "产品名称：保温杯　规格：500毫升　生产日期：2024年3月15日",
        "WIFI:T:WPA;S:咖啡馆_5G;P:欢迎光临123;;",
    };
    return texts;
}

TEST(EciRoundTripTest, Utf8ChineseReadAsTheSameText) {
    for (std::int32_t level = 1; level <= 4; ++level) {
        for (const auto& text : ChineseTexts()) {
            ExpectRoundTrip(text, CodePage::Utf8, level);
        }
    }
}

TEST(EciRoundTripTest, ShiftJisReadAsTheSameText) {
    // Kanji mode for the double-byte characters, byte mode for the rest, under designator 20.
    // (No full-width hyphen-minus 81 7C: ZBar converts with JIS X 0208's table, which makes it
    // U+2212 where Windows has U+FF0D.)
    for (const std::string text :
         {"日本語のテキスト", "QRコード（キューアールコード）は二次元コードの一種です。",
          "東京都千代田区丸の内１丁目１番１号　ＴＥＬ：０３（１２３４）５６７８",
          "ｶﾀｶﾅ半角と漢字"}) {
        ExpectRoundTrip(text, 932, 2);
    }
}

TEST(EciRoundTripTest, SingleByteCodePagesReadAsTheSameText) {
    // ZBar reads designators 21 to 24 as ISO 8859-1 (the euro sign and Cyrillic come out as
    // Latin-1 letters), so zxing-cpp alone is the judge here.
    ExpectRoundTrip("Größe: 10 €, Café crème", 1252, 2, Readers::ZxingOnly);
    ExpectRoundTrip("Привет, мир! Съешь же ещё этих мягких французских булок", 1251, 2,
                    Readers::ZxingOnly);
    ExpectRoundTrip("Žluťoučký kůň úpěl ďábelské ódy", 1250, 2, Readers::ZxingOnly);
    ExpectRoundTrip("مرحبا بالعالم", 1256, 2, Readers::ZxingOnly);
}

TEST(EciRoundTripTest, ZxingTakesGbkAndBig5ByTheirDesignators) {
    // ZBar ignores designators 28 and 29 (it guesses the character set of those bytes itself);
    // zxing-cpp converts by them.
    std::vector<std::pair<std::string, int>> cases;
    for (const auto& text : ChineseTexts()) {
        cases.emplace_back(text, 936);
    }
    for (const std::string text : {"二維碼產生器", "營業時間：週一至週五上午九點到下午六點",
                                   "臺北市信義區市府路1號，電話：(02)2720-8889"}) {
        cases.emplace_back(text, 950);
    }
    for (const auto& [text, codePage] : cases) {
        {
            const Bytes bytes = ToCodePage(text, codePage);
            ASSERT_EQ(std::count(bytes.begin(), bytes.end(), '?'),
                      std::count(text.begin(), text.end(), '?'))
                << text;
            clsQRCode qr;
            qr.SetKanjiMode(false);
            qr.SetEciDesignator(CodePage::EciDesignatorFor(bytes, codePage));
            const QImage grey =
                Grey(qr.Encode(bytes, static_cast<std::int32_t>(bytes.size()), 0, 2, 0), 4);
            const auto zx = ReadZxing(grey);
            ASSERT_TRUE(zx) << text;
            EXPECT_EQ(zx->Raw, bytes) << text;
            EXPECT_EQ(zx->Text, text) << "code page " << codePage;
        }
    }
}

TEST(EciRoundTripTest, WithoutDesignatorTheSymbolHasNoEci) {
    const std::string text = "二维码生成器";
    const Bytes bytes(text.begin(), text.end());
    clsQRCode qr;
    qr.SetKanjiMode(false);
    const auto zx =
        ReadZxing(Grey(qr.Encode(bytes, static_cast<std::int32_t>(bytes.size()), 0, 2, 0), 4));
    ASSERT_TRUE(zx);
    EXPECT_FALSE(zx->HasEci);
    EXPECT_EQ(zx->Raw, bytes);
}

} // namespace
} // namespace ostrel
