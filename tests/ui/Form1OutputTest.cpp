// Output commands of the main window: save (through the save window), copy, send to a QQ friend,
// clear; and the new user's way from pasting a text to a copied symbol.
#include "Form1Fixture.h"
#include "PeerReaders.h"
#include "SaveWindowDriver.h"

#include "ImageControl.h"
#include "PictureBox.h"
#include "StatusBar.h"
#include "TextBox.h"
#include "WebBrowser.h"
#include "mdlTilvane.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>

namespace ostrel::test {
namespace {

using OutputTest = Form1Fixture;
using SendTest = Form1Fixture;

bool OnlyBlackAndWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel != 0xFFFFFF && pixel != 0) {
                return false;
            }
        }
    }
    return true;
}

QImage ClipboardImage() {
    return QGuiApplication::clipboard()->image();
}

// ---- No symbol yet ----

TEST_F(OutputTest, WithoutSymbolSaveCopyAndClearSayThereIsNone) {
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    bool saveWindowShown = false;
    {
        SaveWindowDriver driver([&](ui::Form2& form2) {
            saveWindowShown = true;
            form2.reject();
        });
        form->Command2->click();
    }
    form->Command3->click();
    form->qk->trigger();
    EXPECT_FALSE(saveWindowShown);
    ASSERT_EQ(dialogs.Boxes().size(), 3u);
    const std::vector<QString> texts = {QStringLiteral("请先生成二维码后在进行保存!"),
                                        QStringLiteral("请先生成二维码后在进行保存!"),
                                        QStringLiteral("没有二维条码,无需清除")};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(dialogs.Boxes()[i].text, texts[i]);
        EXPECT_EQ(dialogs.Boxes()[i].icon, QMessageBox::Warning);
        EXPECT_EQ(dialogs.Boxes()[i].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(dialogs.Boxes()[i].title, MessageTitle);
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    EXPECT_TRUE(QDir(environment.ProgramFolder()).entryList(QDir::Files).isEmpty());
}

// ---- Save ----

struct SavedFile {
    QString name;
    QByteArray content;
};

class SaveTest : public Form1Fixture {
protected:
    // Generates the text, presses the save command and then the given rendition's button.
    SavedFile SaveThrough(bool large, const QString& text) {
        Generate(text);
        dialogs.Clear();
        const QImage symbol = form->Image1->Picture();
        bool sharesPicture = false;
        SaveWindowDriver driver([&](ui::Form2& form2) {
            sharesPicture = form2.Image2->Picture() == symbol &&
                            form2.Image1->Picture() == symbol &&
                            form2.Image2->Picture().cacheKey() == symbol.cacheKey();
            (large ? form2.Command1 : form2.Command2)->click();
        });
        before = QDateTime::currentDateTime();
        form->Command2->click();
        after = QDateTime::currentDateTime();
        EXPECT_TRUE(driver.Ran());
        EXPECT_TRUE(driver.WasModal());
        EXPECT_TRUE(sharesPicture);
        EXPECT_EQ(VisibleSaveWindow(), nullptr); // closed after the save

        const QStringList files = QDir(environment.ProgramFolder()).entryList(QDir::Files);
        EXPECT_EQ(files.size(), 1);
        if (files.isEmpty()) {
            return {};
        }
        QFile file(QDir(environment.ProgramFolder()).filePath(files.front()));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return {files.front(), file.readAll()};
    }

    void ExpectStampInRange(const QString& name) {
        const QDateTime stamp =
            QDateTime::fromString(name.mid(2, 14), QStringLiteral("yyyyMMddhhmmss"));
        ASSERT_TRUE(stamp.isValid()) << name.toStdString();
        EXPECT_GE(stamp, before.addMSecs(-before.time().msec()));
        EXPECT_LE(stamp, after);
    }

    QDateTime before;
    QDateTime after;
};

TEST_F(SaveTest, LargeRenditionIs533PixelsOfBmpNamedHdWithTimeStamp) {
    const QString text = QStringLiteral("高清 HD 533");
    const SavedFile saved = SaveThrough(true, text);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^HD\\d{14}\\.jpg$")).match(saved.name).hasMatch())
        << saved.name.toStdString();
    ExpectStampInRange(saved.name);
    ASSERT_GE(saved.content.size(), 2);
    EXPECT_EQ(saved.content.left(2), QByteArray("BM")); // a bitmap, whatever the name says
    const QImage image = QImage::fromData(saved.content, "BMP");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(533, 533));
    EXPECT_TRUE(OnlyBlackAndWhite(image));
    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32),
              mdlTilvane::StretchPicture(form->Image1->Picture(), 533, 533)
                  .convertToFormat(QImage::Format_RGB32));
    const auto decoded = ReadWithZXing(image);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, Utf8(text));

    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text,
              QStringLiteral("高清二维码图片已保存在当前目录下!名称:") + saved.name);
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(dialogs.Last().title, MessageTitle);
    EXPECT_EQ(dialogs.Last().parentClass, QStringLiteral("ostrel::ui::Form2"));
}

TEST_F(SaveTest, SmallRenditionIs169PixelsOfBmpNamedBd) {
    const QString text = QStringLiteral("普清 BD 169");
    const SavedFile saved = SaveThrough(false, text);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^BD\\d{14}\\.jpg$")).match(saved.name).hasMatch())
        << saved.name.toStdString();
    ExpectStampInRange(saved.name);
    EXPECT_EQ(saved.content.left(2), QByteArray("BM"));
    const QImage image = QImage::fromData(saved.content, "BMP");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(169, 169));
    EXPECT_TRUE(OnlyBlackAndWhite(image));
    const auto decoded = ReadWithZXing(image);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, Utf8(text));
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text,
              QStringLiteral("普清二维码图片已保存在当前目录下!名称:") + saved.name);
}

TEST_F(SaveTest, ClosingTheSaveWindowSavesNothing) {
    Generate(QStringLiteral("not saved"));
    SaveWindowDriver driver([](ui::Form2& form2) { form2.close(); });
    form->Command2->click();
    EXPECT_TRUE(driver.Ran());
    EXPECT_TRUE(QDir(environment.ProgramFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_TRUE(form->SymbolPresent());
}

TEST_F(SaveTest, FolderThatCannotBeWrittenKeepsTheSaveWindowOpen) {
    // a folder that has vanished cannot be written by anybody, root included
    const QString vanished = environment.TemporaryFolder() + QStringLiteral("/gone");
    environment.SetFolder(vanished);
    Generate(QStringLiteral("cannot write"));
    dialogs.Clear();
    bool stayedOpen = false;
    SaveWindowDriver driver([&](ui::Form2& form2) {
        form2.Command1->click();
        form2.Command2->click();
        stayedOpen = form2.isVisible();
        form2.reject();
    });
    form->Command2->click();
    EXPECT_TRUE(driver.Ran());
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(dialogs.Boxes().size(), 2u);
    ExpectSaveFailureMessages();
    EXPECT_FALSE(QDir(vanished).exists());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->SymbolPresent());
}

// ---- Copy ----

TEST_F(OutputTest, CopyPutsA177By169BitmapOnTheClipboard) {
    const QString text = QStringLiteral("copy me 复制");
    Generate(text);
    QGuiApplication::clipboard()->setText(QStringLiteral("old text"));
    form->Command3->click();

    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("已复制到剪贴板!默认复制BD版二维码图片"));
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(dialogs.Last().title, MessageTitle);

    const QMimeData* const content = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(content, nullptr);
    EXPECT_TRUE(content->hasImage());
    EXPECT_FALSE(content->hasText()); // emptied first: the old text is gone
    const QImage copied = ClipboardImage();
    EXPECT_EQ(copied.size(), QSize(177, 169));
    EXPECT_TRUE(OnlyBlackAndWhite(copied));
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              mdlTilvane::StretchPicture(form->Image1->Picture(), 177, 169)
                  .convertToFormat(QImage::Format_RGB32));
    // the hidden drawing box took the display's size and keeps the drawing
    EXPECT_EQ(form->Picture1->size(), QSize(177, 169));
    EXPECT_EQ(form->Picture1->Image().convertToFormat(QImage::Format_RGB32),
              copied.convertToFormat(QImage::Format_RGB32));
    const auto decoded = ReadWithZXing(copied);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Bytes, Utf8(text));

    // copy again: the same bitmap
    form->Command3->click();
    EXPECT_EQ(ClipboardImage().convertToFormat(QImage::Format_RGB32),
              copied.convertToFormat(QImage::Format_RGB32));
}

// The user pastes a text, generates, copies and accepts the message: the clipboard's bitmap
// reads back as exactly that text with two independent readers.
TEST_F(OutputTest, NewUserPastesGeneratesAndCopies) {
    const QString text = QStringLiteral("Ostrel 二维码 TEL:13800138000 中文测试");
    QGuiApplication::clipboard()->setText(text);
    form->Text1->setFocus();
    form->Text1->paste();
    ASSERT_EQ(form->Text1->Text(), text);
    form->Command1->click();
    ASSERT_TRUE(form->SymbolPresent());
    dialogs.Answer(QMessageBox::Ok);
    form->Command3->click();
    EXPECT_TRUE(dialogs.ScriptUsedUp());

    const QImage copied = ClipboardImage();
    ASSERT_EQ(copied.size(), QSize(177, 169));
    const auto zxing = ReadWithZXing(copied);
    ASSERT_TRUE(zxing);
    EXPECT_EQ(zxing->Bytes, Utf8(text));
    EXPECT_EQ(zxing->Text, Utf8(text));
    const auto zbar = ReadWithZBar(copied);
    ASSERT_TRUE(zbar);
    EXPECT_EQ(*zbar, Utf8(text));
}

// ---- Clear ----

TEST_F(OutputTest, ClearTwice) {
    Generate(QStringLiteral("clear me"));
    form->cmb1[3]->setCurrentIndex(0);
    form->S1->SetPanelText(2, QStringLiteral("status"));
    form->qk->trigger();
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_FALSE(form->SymbolPresent());
    EXPECT_TRUE(form->Label2->isVisible());
    EXPECT_EQ(form->Text1->Text(), QStringLiteral("clear me"));
    EXPECT_EQ(form->cmb1[3]->currentIndex(), 0);
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("status"));

    form->qk_Click();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("没有二维条码,无需清除"));
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Warning);
}

// ---- Send to a QQ friend ----

const QString Guide = QStringLiteral(
    "发送QQ好友流程:\r\n "
    "\r\n1.首先点击复制二维码图片\r\n2.点击确定后,输入您的好友QQ\r\n3.将二维码图片粘贴发送即可");

TEST_F(SendTest, GuideAnsweredNoEndsTheCommand) {
    dialogs.Answer(QMessageBox::No);
    form->Command4->click();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, Guide);
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(dialogs.Last().title, MessageTitle);
    EXPECT_TRUE(urls.Opened().empty());
}

TEST_F(SendTest, CancelledInputSaysSo) {
    dialogs.Answer(QMessageBox::Yes);
    dialogs.AnswerInput(std::nullopt);
    form->Command4->click();
    ASSERT_EQ(dialogs.Boxes().size(), 3u);
    const auto& input = dialogs.Boxes()[1];
    EXPECT_TRUE(input.input);
    EXPECT_EQ(input.text, QStringLiteral("请输入您的好友QQ"));
    EXPECT_EQ(input.title, QStringLiteral("请输入您的好友QQ"));
    EXPECT_EQ(input.defaultText, QString());
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("您已取消!"));
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(urls.Opened().empty());
}

using SendNumberTest = Form1Fixture;

TEST_F(SendNumberTest, RefusedInputs) {
    const QString empty = QStringLiteral("请输入QQ号码");
    const QString wrong = QStringLiteral("QQ号码输入错误!");
    const QString length = QStringLiteral("QQ号码位数不正确!");
    const std::vector<std::pair<QString, QString>> cases = {
        {QString(), empty},
        {QStringLiteral("abcde"), wrong},
        {QStringLiteral("QQ12345"), wrong},
        {QStringLiteral("1234"), length},
        {QStringLiteral("12345678901"), length},
        {QString(1000, u'9'), length},
        {QStringLiteral("12&34567"), wrong},
        {QStringLiteral("123#4567"), wrong},
        {QStringLiteral("1234 5678"), wrong},
        {QStringLiteral("12345\t"), wrong},
        {QStringLiteral("123\r\n456"), wrong},
        {QStringLiteral("12345") + QChar(u'\0'), wrong},
        {QStringLiteral("１２３４５"), wrong}, // full-width digits
        {QStringLiteral("1,234,567"), wrong},
        {QStringLiteral("&H1234"), wrong},
        {QStringLiteral("1e"), wrong},
        {QStringLiteral("."), wrong},
        {QStringLiteral("+"), wrong},
        {QStringLiteral("  "), wrong},
        {QStringLiteral("1.2.3.4"), wrong},
    };
    for (const auto& [number, message] : cases) {
        EXPECT_EQ(SendToQqFriend(number), message) << "input: " << number.toStdString();
    }
    EXPECT_TRUE(urls.Opened().empty());
    EXPECT_TRUE(form->W2->LocationURL().isEmpty());
}

TEST_F(SendNumberTest, AcceptedNumbersOpenTheMessengerChat) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("12345"), QStringLiteral("12345")},
        {QStringLiteral("1234567890"), QStringLiteral("1234567890")},
        {QStringLiteral("12.34"), QStringLiteral("12.34")},
        // forms the numeric test accepts arrive escaped, as one query value
        {QStringLiteral("+1234"), QStringLiteral("%2B1234")},
        {QStringLiteral("-1234"), QStringLiteral("-1234")},
        {QStringLiteral(" 1234"), QStringLiteral("%201234")},
        {QStringLiteral("1e+10"), QStringLiteral("1e%2B10")},
        {QStringLiteral("1234 "), QStringLiteral("1234%20")},
    };
    for (const auto& [number, query] : cases) {
        const int before = static_cast<int>(urls.Opened().size());
        EXPECT_EQ(SendToQqFriend(number), QString()) << number.toStdString();
        ASSERT_EQ(urls.Opened().size(), before + 1) << number.toStdString();
        const QUrl opened = urls.Opened().back();
        EXPECT_EQ(opened.scheme(), QStringLiteral("tencent"));
        // the host name of an address is not case-sensitive; Qt keeps it in lower case
        EXPECT_EQ(opened.host(), QStringLiteral("message"));
        EXPECT_EQ(opened.path(), QStringLiteral("/"));
        EXPECT_EQ(opened.query(QUrl::FullyEncoded), QStringLiteral("Menu=YES&Uin=") + query)
            << number.toStdString();
        EXPECT_EQ(opened, QUrl(QStringLiteral("tencent://Message/?Menu=YES&Uin=") + query));
        EXPECT_EQ(form->W2->LocationURL(), opened);
    }
    // the plain case, written out
    EXPECT_EQ(urls.Opened().front().toString(QUrl::FullyEncoded),
              QStringLiteral("tencent://message/?Menu=YES&Uin=12345"));
}

TEST_F(SendNumberTest, SendNeedsNoSymbolAndPutsNothingOnTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
    EXPECT_EQ(SendToQqFriend(QStringLiteral("10001")), QString());
    EXPECT_EQ(urls.Opened().size(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("mine"));
    EXPECT_FALSE(form->SymbolPresent());
}

} // namespace
} // namespace ostrel::test
