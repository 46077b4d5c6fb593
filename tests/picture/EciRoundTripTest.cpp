// Symbols that declare their character set with an ECI designator, read back by zxing-cpp and
// ZBar as text: both readers convert the data to UTF-8 by the designator, so the text they show
// must be the very text that went in, whatever code page carried it.
#include "CodePage.h"
#include "PeerReaders.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <gtest/gtest.h>

#include <algorithm>
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

Bytes AsBytes(const std::string& data) {
    return {data.begin(), data.end()};
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

    const auto zx = test::ReadWithZXing(grey);
    ASSERT_TRUE(zx) << "zxing-cpp found nothing: " << utf8;
    EXPECT_TRUE(zx->HasEci) << utf8;
    EXPECT_EQ(AsBytes(zx->Bytes), bytes) << utf8;
    EXPECT_EQ(zx->Text, utf8) << "zxing-cpp, code page " << codePage;
    if (readers == Readers::ZxingOnly) {
        return;
    }
    const auto zb = test::ReadWithZBar(grey);
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
            const auto zx = test::ReadWithZXing(grey);
            ASSERT_TRUE(zx) << text;
            EXPECT_EQ(AsBytes(zx->Bytes), bytes) << text;
            EXPECT_EQ(zx->Text, text) << "code page " << codePage;
        }
    }
}

TEST(EciRoundTripTest, WithoutDesignatorTheSymbolHasNoEci) {
    const std::string text = "二维码生成器";
    const Bytes bytes(text.begin(), text.end());
    clsQRCode qr;
    qr.SetKanjiMode(false);
    const auto zx = test::ReadWithZXing(
        Grey(qr.Encode(bytes, static_cast<std::int32_t>(bytes.size()), 0, 2, 0), 4));
    ASSERT_TRUE(zx);
    EXPECT_FALSE(zx->HasEci);
    EXPECT_EQ(AsBytes(zx->Bytes), bytes);
}

} // namespace
} // namespace ostrel
