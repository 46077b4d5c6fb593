// Generate command and content templates: what reaches the encoder, what the window reports.
#include "Form1Fixture.h"
#include "PeerReaders.h"

#include "CodePage.h"
#include "ImageControl.h"
#include "StatusBar.h"
#include "TextBox.h"
#include "clsQRCode.h"
#include "mdlTilvane.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>
#include <optional>

namespace ostrel::test {
namespace {

using GenerateTest = Form1Fixture;
using TemplateTest = Form1Fixture;

// The symbol an encoder of its own makes of these bytes with the window's fixed settings.
QImage Reference(const QByteArray& bytes, std::int32_t version = 0, std::int32_t level = 3,
                 std::int32_t mask = 0, bool kanji = false) {
    clsQRCode encoder;
    encoder.SetKanjiMode(kanji);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return encoder.Encode(
        std::span<const std::uint8_t>(data, static_cast<std::size_t>(bytes.size())),
        static_cast<std::int32_t>(bytes.size()), version, level, mask);
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_Name(name) {
        if (const char* old = std::getenv(name)) {
            m_Old = std::string(old);
        }
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (m_Old) {
            ::setenv(m_Name, m_Old->c_str(), 1);
        } else {
            ::unsetenv(m_Name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_Name;
    std::optional<std::string> m_Old;
};

// ---- Templates ----

TEST_F(TemplateTest, EachOptionWritesItsTemplateExactly) {
    const std::vector<std::pair<QRadioButton*, QString>> templates = {
        {form->Option1,
         QStringLiteral("姓名：\r\n年龄：\r\n手机号码：\r\n公司：\r\n职位：\r\n网址：\r\n地址：")},
        {form->Option2, QStringLiteral("收件人：@\r\n标题：\r\n内容：")},
        {form->Option3, QStringLiteral("网站名称：\r\n网站地址：http://")},
        {form->Option4, QStringLiteral("姓名：\r\n手机：\r\n电话：")},
        {form->Option5, QString()},
    };
    for (const auto& [option, text] : templates) {
        form->Text1->SetText(QStringLiteral("typed before"));
        option->click();
        EXPECT_TRUE(option->isChecked());
        EXPECT_EQ(form->Text1->Text(), text) << option->text().toStdString();
        EXPECT_EQ(form->Text1->Text(),
                  ui::Form1::TemplateText(option->objectName().right(1).toInt()));
    }
    // the business card: seven lines, the last one without a break
    form->Option1->click();
    EXPECT_EQ(form->Text1->Text().split(QStringLiteral("\r\n")).size(), 7);
    EXPECT_TRUE(form->Text1->Text().endsWith(QStringLiteral("地址：")));
    EXPECT_TRUE(dialogs.Boxes().empty());
}

TEST_F(TemplateTest, TemplateKeepsSymbolAndEditingKeepsOption) {
    Generate(QStringLiteral("keep me"));
    const QImage symbol = form->Image1->Picture();
    ASSERT_FALSE(symbol.isNull());
    form->Option4->click();
    EXPECT_EQ(form->Image1->Picture(), symbol);
    EXPECT_FALSE(form->Label2->isVisible());
    form->Text1->SetText(form->Text1->Text() + QStringLiteral("张三"));
    EXPECT_TRUE(form->Option4->isChecked());
}

TEST_F(TemplateTest, WebAddressTemplateIsEncodedAsItStands) {
    form->Option3->click();
    form->Command1->click();
    const auto decoded = ReadWithZXing(form->Image1->Picture());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, Utf8(QStringLiteral("网站名称：\r\n网站地址：http://")));
}

TEST_F(TemplateTest, TextTemplateThenGenerateReportsEmptyText) {
    form->Option1->click();
    form->Option5->click();
    form->Command1->click();
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("请输入内容后再进行生成!"));
    EXPECT_FALSE(form->SymbolPresent());
}

// ---- Empty text, per entry point ----

TEST_F(GenerateTest, EmptyTextOnTheButtonGoesToTheStatusBar) {
    form->Command1->click();
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("请输入内容后再进行生成!"));
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_FALSE(form->SymbolPresent());
    EXPECT_EQ(form->Encoder(), nullptr);
}

TEST_F(GenerateTest, EmptyTextOnTheMenuShowsAMessageAndLeavesTheStatusBar) {
    form->sc->trigger();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    const auto& box = dialogs.Last();
    EXPECT_EQ(box.text, QStringLiteral("请输入内容后再进行生成!"));
    EXPECT_EQ(box.title, MessageTitle);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("请输入内容后点击生成"));
    EXPECT_FALSE(form->SymbolPresent());
}

TEST_F(GenerateTest, EmptyTextKeepsTheEarlierSymbol) {
    Generate(QStringLiteral("earlier"));
    const QImage earlier = form->Image1->Picture();
    form->Text1->SetText(QString());
    form->Command1->click();
    form->sc_Click();
    EXPECT_EQ(form->Image1->Picture(), earlier);
    EXPECT_FALSE(form->Label2->isVisible());
}

// ---- Symbols ----

TEST_F(GenerateTest, ButtonShowsTheSymbolAndReportsSuccess) {
    Generate(QStringLiteral("abc"));
    EXPECT_TRUE(form->SymbolPresent());
    EXPECT_FALSE(form->Label2->isVisible());
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("二维码生成完毕!"));
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_EQ(form->Image1->Picture(), Reference("abc"));
    const auto decoded = ReadWithZXing(form->Image1->Picture());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, "abc");
}

TEST_F(GenerateTest, MenuShowsTheSymbolWithoutTouchingTheStatusBar) {
    form->Text1->SetText(QStringLiteral("menu"));
    form->sc->trigger();
    EXPECT_TRUE(form->SymbolPresent());
    EXPECT_FALSE(form->Label2->isVisible());
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("请输入内容后点击生成"));
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_EQ(form->Image1->Picture(), Reference("menu"));
}

TEST_F(GenerateTest, OneBlankIsAcceptedInBothEncodings) {
    for (const int encoding : {1, 0}) {
        form->cmb1[3]->setCurrentIndex(encoding);
        Generate(QStringLiteral(" "));
        ASSERT_TRUE(form->SymbolPresent()) << "encoding " << encoding;
        EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("二维码生成完毕!"));
        const auto decoded = ReadWithZXing(form->Image1->Picture());
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->Bytes, " ");
    }
}

TEST_F(GenerateTest, LineBreaksReachTheSymbolAsCrLf) {
    Generate(QStringLiteral("line 1\nline 2"));
    const auto decoded = ReadWithZXing(form->Image1->Picture());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, "line 1\r\nline 2");
}

TEST_F(GenerateTest, HiddenListsDoNotChangeTheSymbol) {
    Generate(QStringLiteral("HELLO 12345"));
    const QImage first = form->Image1->Picture();
    EXPECT_EQ(first, Reference("HELLO 12345"));
    // the fixed settings are automatic version, level Q, mask 000: other settings differ
    EXPECT_NE(first, Reference("HELLO 12345", 0, 3, 1));
    EXPECT_NE(first, Reference("HELLO 12345", 0, 2, 0));

    form->cmb1[0]->setCurrentIndex(40); // "40"
    form->cmb1[1]->setCurrentIndex(3);  // "H - 30%"
    form->cmb1[2]->setCurrentIndex(8);  // "7"
    form->Command1->click();
    EXPECT_EQ(form->Image1->Picture(), first);
    form->sc->trigger();
    EXPECT_EQ(form->Image1->Picture(), first);
}

TEST_F(GenerateTest, AListWithoutSelectionStopsSilently) {
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Generate(QStringLiteral("before"));
        const QImage before = form->Image1->Picture();
        form->S1->SetPanelText(2, QStringLiteral("unchanged"));
        const int selection = form->cmb1[i]->currentIndex();
        form->cmb1[i]->setCurrentIndex(-1);
        form->Text1->SetText(QStringLiteral("after"));
        form->Command1->click();
        form->sc->trigger();
        EXPECT_EQ(form->Image1->Picture(), before);
        EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("unchanged"));
        EXPECT_TRUE(dialogs.Boxes().empty());
        form->cmb1[i]->setCurrentIndex(selection);
    }
}

TEST_F(GenerateTest, SameTextTwiceGivesTheSameSymbolFromTheSameEncoder) {
    Generate(QStringLiteral("twice"));
    const clsQRCode* const encoder = form->Encoder();
    ASSERT_NE(encoder, nullptr);
    const QImage first = form->Image1->Picture();
    Generate(QStringLiteral("twice"));
    EXPECT_EQ(form->Encoder(), encoder);
    EXPECT_EQ(form->Image1->Picture(), first);
    form->sc->trigger();
    EXPECT_EQ(form->Encoder(), encoder);
    Generate(QStringLiteral("other"));
    EXPECT_EQ(form->Encoder(), encoder);
    EXPECT_NE(form->Image1->Picture(), first);
}

TEST_F(GenerateTest, AnsiAndUtf8ConvertTheText) {
    // "abc" is the same in both; a Chinese character is three bytes in UTF-8
    form->cmb1[3]->setCurrentIndex(0);
    Generate(QStringLiteral("abc"));
    EXPECT_EQ(form->Image1->Picture(), Reference("abc"));
    form->cmb1[3]->setCurrentIndex(1);
    Generate(QStringLiteral("中"));
    EXPECT_EQ(form->Image1->Picture(), Reference("\xE4\xB8\xAD"));
    {
        // on a Simplified-Chinese system the ANSI code page is GBK: 中 = D6 D0
        ScopedEnv locale("LC_ALL", "zh_CN.UTF-8");
        form->cmb1[3]->setCurrentIndex(0);
        Generate(QStringLiteral("中"));
        EXPECT_EQ(form->Image1->Picture(), Reference("\xD6\xD0"));
    }
}

// The encoder's Kanji mode reads byte pairs as Shift JIS. Only text converted to code page 932
// may use it; UTF-8 and other code pages must come out of every reader as the user's text.
TEST_F(GenerateTest, KanjiModeOnlyForShiftJisText) {
    {
        ScopedEnv locale("LC_ALL", "ja_JP.UTF-8");
        form->cmb1[3]->setCurrentIndex(0); // ANSI: code page 932
        Generate(QStringLiteral("漢字"));
        ASSERT_NE(form->Encoder(), nullptr);
        EXPECT_TRUE(form->Encoder()->KanjiMode());
        const auto decoded = ReadWithZXing(form->Image1->Picture());
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->Text, Utf8(QStringLiteral("漢字")));

        form->cmb1[3]->setCurrentIndex(1); // UTF-8, even on a Japanese system
        Generate(QStringLiteral("漢字"));
        EXPECT_FALSE(form->Encoder()->KanjiMode());
    }
    {
        ScopedEnv locale("LC_ALL", "zh_CN.UTF-8");
        form->cmb1[3]->setCurrentIndex(0); // ANSI: code page 936
        Generate(QStringLiteral("中文"));
        EXPECT_FALSE(form->Encoder()->KanjiMode());
    }
}

TEST_F(GenerateTest, ChineseTextInUtf8ReadsBackExactly) {
    // UTF-8 of these characters holds byte pairs that look like Shift JIS Kanji (E4 B8 ...)
    const QString text = QStringLiteral("中文测试：二维码生成器");
    Generate(text);
    const auto zxing = ReadWithZXing(form->Image1->Picture());
    ASSERT_TRUE(zxing);
    EXPECT_EQ(zxing->Bytes, Utf8(text));
    EXPECT_EQ(zxing->Text, Utf8(text));
    // ZBar wants a few pixels per module
    const QImage picture = form->Image1->Picture();
    const auto zbar = ReadWithZBar(
        mdlTilvane::StretchPicture(picture, 4 * picture.width(), 4 * picture.height()));
    ASSERT_TRUE(zbar);
    EXPECT_EQ(*zbar, Utf8(text));
}

// ---- More than a version-40 symbol holds ----

TEST_F(GenerateTest, TooLongTextOnTheButtonReportsFailureAndShowsNoSymbol) {
    Generate(QStringLiteral("a symbol that was there before"));
    ASSERT_TRUE(form->SymbolPresent());
    // level Q, version 40 holds 1663 bytes
    Generate(QString(1664, u'x'));
    EXPECT_FALSE(form->SymbolPresent());
    EXPECT_TRUE(form->Label2->isVisible());
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("二维码生成失败!"));
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("内容过长,无法生成二维码!"));
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(dialogs.Last().title, MessageTitle);

    // the output commands see no symbol
    dialogs.Clear();
    form->Command2->click();
    form->Command3->click();
    form->qk->trigger();
    EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{QStringLiteral("请先生成二维码后在进行保存!"),
                                                     QStringLiteral("请先生成二维码后在进行保存!"),
                                                     QStringLiteral("没有二维条码,无需清除")}));
}

TEST_F(GenerateTest, TooLongTextOnTheMenuShowsTheMessageOnly) {
    form->Text1->SetText(QString(5000, u'x'));
    form->sc->trigger();
    EXPECT_FALSE(form->SymbolPresent());
    EXPECT_TRUE(form->Label2->isVisible());
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("请输入内容后点击生成"));
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("内容过长,无法生成二维码!"));
}

// Every code page gives at least one byte for two UTF-16 code units: a text of more than
// 2 x 7089 units can never fit, and is refused without being copied out of the box or converted.
TEST_F(GenerateTest, HugePasteIsRefusedWithoutConvertingIt) {
    QString huge;
    huge.reserve(10 * 1024 * 1024);
    while (huge.size() < 10 * 1024 * 1024) {
        huge += QStringLiteral("0123456789 abcdefghij 中文测试 ABCDEFGHIJ\n");
    }
    form->Text1->SetText(huge);
    for (const int encoding : {1, 0}) {
        form->cmb1[3]->setCurrentIndex(encoding);
        dialogs.Clear();
        const qsizetype builtBefore = form->Text1->BuiltUnits();
        const std::uint64_t convertedBefore = platform::CodePage::ConvertedUnits();
        form->Command1->click();
        EXPECT_EQ(form->Text1->BuiltUnits(), builtBefore) << "encoding " << encoding;
        EXPECT_EQ(platform::CodePage::ConvertedUnits(), convertedBefore) << "encoding " << encoding;
        ASSERT_EQ(dialogs.Boxes().size(), 1u);
        EXPECT_EQ(dialogs.Last().text, QStringLiteral("内容过长,无法生成二维码!"));
        EXPECT_FALSE(form->SymbolPresent());
    }
    form->Text1->SetText(QString());

    // the bound is exact: 2 x 7089 units are still converted (and found too long), one more not
    constexpr qsizetype longestConverted = 2 * 7089;
    for (const qsizetype size : {longestConverted, longestConverted + 1}) {
        form->Text1->SetText(QString(size, u'a'));
        dialogs.Clear();
        const std::uint64_t convertedBefore = platform::CodePage::ConvertedUnits();
        form->Command1->click();
        EXPECT_EQ(platform::CodePage::ConvertedUnits() - convertedBefore,
                  size == longestConverted ? static_cast<std::uint64_t>(size) : 0u)
            << size << " units";
        ASSERT_EQ(dialogs.Boxes().size(), 1u);
        EXPECT_EQ(dialogs.Last().text, QStringLiteral("内容过长,无法生成二维码!"));
    }
    form->Text1->SetText(QString());
}

TEST_F(GenerateTest, LargestTextThatFitsIsAVersion40Symbol) {
    Generate(QString(1663, u'x'));
    ASSERT_TRUE(form->SymbolPresent());
    EXPECT_EQ(form->Image1->Picture().size(), QSize(185, 185));
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("二维码生成完毕!"));
    const auto decoded = ReadWithZXing(form->Image1->Picture());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, std::string(1663, 'x'));
}

} // namespace
} // namespace ostrel::test
