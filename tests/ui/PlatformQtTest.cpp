// The Qt stand-ins for the platform: numeric test, CR LF text box, message text, skinning,
// program start, the browser control, the image control and the clipboard.
#include "Clipboard.h"
#include "Dialogs.h"
#include "ImageControl.h"
#include "Numeric.h"
#include "ProgramEnvironment.h"
#include "SkinH.h"
#include "TestEnvironment.h"
#include "TextBox.h"
#include "UrlRecorder.h"
#include "WebBrowser.h"
#include "mdlTilvane.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

using platform::Numeric;

TEST(NumericTest, DigitsPassLettersFail) {
    for (const char* text : {"0", "12345", "1234567890", "00001", "12.34", ".5", "5.", "+1", "-1",
                             " 12 ", "1e5", "1E+5", "2.5e-3", "  +7.0E10  "}) {
        EXPECT_TRUE(Numeric::IsNumeric(QString::fromLatin1(text))) << text;
    }
    for (const char* text : {"",    " ",   "abc",  "12a", "a12", "1 2", "1..2",     "1.2.3", "++1",
                             "+-1", "1e",  "1e+",  "e5",  ".",   "+",   "1,000",    "&H10",  "$5",
                             "1#",  "1&2", "0x10", "1\t", "\t1", "1\n", "Infinity", "NaN"}) {
        EXPECT_FALSE(Numeric::IsNumeric(QString::fromLatin1(text))) << text;
    }
    EXPECT_FALSE(Numeric::IsNumeric(QStringLiteral("１２３")));         // full-width digits
    EXPECT_FALSE(Numeric::IsNumeric(QString::fromUtf16(u"12\u00A03"))); // no-break space
}

TEST(TextBoxTest, LineBreaksReadAsCrLf) {
    platform::TextBox box;
    box.SetText(QStringLiteral("a\r\nb"));
    EXPECT_EQ(box.Text(), QStringLiteral("a\r\nb"));
    box.SetText(QStringLiteral("a\nb\rc"));
    EXPECT_EQ(box.Text(), QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(box.TextLength(), 7);
    box.SetText(QStringLiteral("end\r\n"));
    EXPECT_EQ(box.Text(), QStringLiteral("end\r\n"));
    box.SetText(QString());
    EXPECT_EQ(box.Text(), QString());
    EXPECT_EQ(box.TextLength(), 0);
    box.SetText(QStringLiteral("\r\n"));
    EXPECT_EQ(box.TextLength(), 2);
    box.SetText(QStringLiteral("中文𝄞"));
    EXPECT_EQ(box.TextLength(), 4);
    // a break typed with Return
    box.SetText(QStringLiteral("x"));
    box.moveCursor(QTextCursor::End);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, QStringLiteral("y"));
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&box, QStringLiteral("z"));
    EXPECT_EQ(box.Text(), QStringLiteral("x\r\ny\r\nz"));
    EXPECT_EQ(box.TextLength(), box.Text().size());
    // what was typed stays as it was: no-break space, tab, a pasted line separator
    box.SetText(QString::fromUtf16(u"a\u00A0b\tc\u2028d"));
    EXPECT_EQ(box.Text(), QString::fromUtf16(u"a\u00A0b\tc\u2028d"));
    EXPECT_EQ(box.TextLength(), 7);
}

TEST(TextBoxTest, SelectionCountsABreakAsTwo) {
    platform::TextBox box;
    box.SetText(QStringLiteral("ab\r\ncd\r\nef"));
    box.SetSelStart(0);
    box.SetSelLength(10);
    EXPECT_EQ(box.SelStart(), 0);
    EXPECT_EQ(box.SelLength(), 10);
    EXPECT_EQ(box.textCursor().selectedText().size(), 8); // the document keeps one per break
    box.SetSelStart(4);                                   // "c"
    box.SetSelLength(2);
    EXPECT_EQ(box.SelStart(), 4);
    EXPECT_EQ(box.textCursor().selectedText(), QStringLiteral("cd"));
    box.SetSelStart(100);
    EXPECT_EQ(box.SelStart(), 10);
    EXPECT_EQ(box.SelLength(), 0);
}

TEST(DialogsTest, LineBreaksOfWindowsMessagesShowAsLines) {
    EXPECT_EQ(platform::Dialogs::DisplayText(QStringLiteral("a\r \rb")), QStringLiteral("a\n \nb"));
    EXPECT_EQ(platform::Dialogs::DisplayText(QStringLiteral("a\r\n \r\nb")),
              QStringLiteral("a\n \nb"));
    EXPECT_EQ(platform::Dialogs::DisplayText(QStringLiteral("a\nb")), QStringLiteral("a\nb"));
}

// Answers the real modal dialog that the next exec opens: records its button captions and
// clicks the button with the given caption (or rejects it when the caption is empty).
void AnswerNextDialog(QStringList& captions, const QString& press, const QString& type = {}) {
    QTimer::singleShot(0, [&captions, press, type] {
        QWidget* const dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        if (!type.isEmpty()) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(), type);
        }
        QAbstractButton* target = nullptr;
        for (QAbstractButton* const button : dialog->findChildren<QAbstractButton*>()) {
            captions << button->text();
            if (button->text() == press) {
                target = button;
            }
        }
        if (target != nullptr) {
            target->click();
        } else {
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    });
}

TEST(DialogsTest, RealMessageBoxShowsChineseButtonsAndReportsTheAnswer) {
    platform::Dialogs& dialogs = platform::Dialogs::Current();
    QStringList captions;
    AnswerNextDialog(captions, QStringLiteral("否(&N)"));
    EXPECT_EQ(dialogs.MsgBox(nullptr, QStringLiteral("问题"), QMessageBox::Information,
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                             QStringLiteral("Ostrel系列软件")),
              QMessageBox::No);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("取消"), QStringLiteral("否(&N)"),
                                     QStringLiteral("是(&Y)")}));

    captions.clear();
    AnswerNextDialog(captions, QString()); // Escape: Cancel
    EXPECT_EQ(dialogs.MsgBox(nullptr, QStringLiteral("问题"), QMessageBox::Information,
                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                             QStringLiteral("Ostrel系列软件")),
              QMessageBox::Cancel);

    captions.clear();
    AnswerNextDialog(captions, QStringLiteral("确定"));
    EXPECT_EQ(dialogs.MsgBox(nullptr, QStringLiteral("完成"), QMessageBox::Warning, QMessageBox::Ok,
                             QStringLiteral("Ostrel系列软件")),
              QMessageBox::Ok);
    EXPECT_EQ(captions, QStringList{QStringLiteral("确定")});
}

TEST(DialogsTest, RealInputBoxTellsCancelFromAnEmptyAnswer) {
    platform::Dialogs& dialogs = platform::Dialogs::Current();
    QStringList captions;
    AnswerNextDialog(captions, QStringLiteral("取消"), QStringLiteral("123"));
    EXPECT_EQ(dialogs.InputBox(nullptr, QStringLiteral("请输入您的好友QQ"),
                               QStringLiteral("请输入您的好友QQ"), QString()),
              std::nullopt);
    EXPECT_TRUE(captions.contains(QStringLiteral("确定")));
    AnswerNextDialog(captions, QStringLiteral("确定"));
    EXPECT_EQ(dialogs.InputBox(nullptr, QStringLiteral("请输入您的好友QQ"),
                               QStringLiteral("请输入您的好友QQ"), QString()),
              std::optional<QString>(QString()));
    AnswerNextDialog(captions, QStringLiteral("确定"), QStringLiteral("12345"));
    EXPECT_EQ(dialogs.InputBox(nullptr, QStringLiteral("请输入您的好友QQ"),
                               QStringLiteral("请输入您的好友QQ"), QString()),
              std::optional<QString>(QStringLiteral("12345")));
}

TEST(SkinTest, HueShiftTurnsColoursAndKeepsGreys) {
    const QColor red = platform::ShiftHsv(QColor(255, 0, 0), 166, 0, 0);
    EXPECT_EQ(red.hsvHue(), 166);
    EXPECT_EQ(red.hsvSaturation(), 255);
    EXPECT_EQ(red.value(), 255);
    const QColor blue = platform::ShiftHsv(QColor::fromHsv(300, 200, 180), 166, 0, 0);
    EXPECT_EQ(blue.hsvHue(), 106); // (300 + 166) mod 360
    for (const QColor grey : {QColor(Qt::white), QColor(Qt::black), QColor(128, 128, 128)}) {
        EXPECT_EQ(platform::ShiftHsv(grey, 166, 0, 0).rgb(), grey.rgb());
    }
    EXPECT_EQ(platform::ShiftHsv(QColor(100, 100, 100), 0, 0, 100).value(), 255);
}

TEST(SkinTest, PaletteShiftDoesNotAddUp) {
    ASSERT_EQ(platform::SkinH_AdjustHSV(166, 0, 0), platform::SkinOk);
    const QPalette once = QApplication::palette();
    ASSERT_EQ(platform::SkinH_AdjustHSV(166, 0, 0), platform::SkinOk);
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), once.color(QPalette::Highlight));
    ASSERT_EQ(platform::SkinH_AdjustHSV(0, 0, 0), platform::SkinOk);
    const QColor base = QApplication::palette().color(QPalette::Highlight);
    EXPECT_EQ(once.color(QPalette::Highlight), platform::ShiftHsv(base, 166, 0, 0));
}

TEST(SkinTest, AttachRefusesWhatIsNoStyleSheet) {
    qApp->setStyleSheet(QString());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("skinh.she"));
    EXPECT_EQ(platform::SkinH_AttachEx(path, QString()), platform::SkinFileUnreadable);

    const auto attach = [&](const QByteArray& content, qint64 size = 0) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        if (size > 0) {
            EXPECT_TRUE(file.resize(size));
        }
        file.close();
        return platform::SkinH_AttachEx(path, QString());
    };
    EXPECT_EQ(attach(QByteArray()), platform::SkinFileNotText);
    EXPECT_EQ(attach(QByteArray("\x00\x01\x02garbage", 10)), platform::SkinFileNotText);
    EXPECT_EQ(attach(QByteArray("QWidget { color: \xc3\x28; }")), platform::SkinFileNotText);
    EXPECT_EQ(attach(QByteArray("QWidget {}"), qint64{50} * 1024 * 1024),
              platform::SkinFileTooLarge);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());

    EXPECT_EQ(attach(QByteArray("QPushButton { color: #123456; } /* 中文 */")), platform::SkinOk);
    EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QPushButton { color: #123456; } /* 中文 */"));
    qApp->setStyleSheet(QString());
}

// The restart starts the program file directly: a blank in its path does no harm.
TEST(ProgramEnvironmentTest, StartsAProgramWhosePathHoldsBlanks) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Program Files/Ostrel QR")));
    const QString program = folder.filePath(QStringLiteral("Program Files/Ostrel QR/ostrel qr"));
    const QString marker = folder.filePath(QStringLiteral("started"));
    {
        QFile script(program);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho started > '%1'\n").arg(marker).toUtf8());
    }
    ASSERT_TRUE(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
    platform::ProgramEnvironment environment;
    ASSERT_TRUE(environment.StartProgram(program));
    // a hang, not a slow start, reaches the limit
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 30000));
    // the first word of the path is no program of its own
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("Program"))));

    EXPECT_FALSE(environment.StartProgram(folder.filePath(QStringLiteral("no such program"))));
    EXPECT_FALSE(environment.StartProgram(QString()));
    EXPECT_EQ(environment.ProgramFile(), QCoreApplication::applicationFilePath());
    EXPECT_EQ(environment.ProgramFolder(), QCoreApplication::applicationDirPath());
}

TEST(WebBrowserTest, WebPagesLoadInsideOtherSchemesGoToTheDesktop) {
    UrlRecorder urls;
    platform::WebBrowser browser;
    ASSERT_FALSE(platform::WebBrowser::NetworkEnabled()); // the test main switched it off
    browser.Navigate(QUrl(QStringLiteral("https://forum.ostrel.example/")));
    EXPECT_TRUE(urls.Opened().empty());
    EXPECT_EQ(browser.RequestCount(), 0);
    const QUrl chat(QStringLiteral("tencent://Message/?Menu=YES&Uin=12345"));
    browser.Navigate(chat);
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_EQ(urls.Opened().front(), chat);
    EXPECT_EQ(browser.LocationURL(), chat);
}

// The display shows the symbol crisp: only black and white pixels, whole-pixel blocks.
TEST(ImageControlTest, StretchesCrisplyToItsSize) {
    QImage picture(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            picture.setPixel(x, y, (x + y) % 2 != 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    platform::ImageControl control;
    control.resize(177, 169);
    control.SetPicture(picture);
    const QImage shown = control.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = control.devicePixelRatioF();
    ASSERT_EQ(shown.size(), (QSizeF(177, 169) * ratio).toSize());
    EXPECT_EQ(shown, mdlTilvane::StretchPicture(picture, shown.width(), shown.height())
                         .convertToFormat(QImage::Format_RGB32));
    control.SetPicture(QImage());
    EXPECT_TRUE(control.Picture().isNull());
}

TEST(ClipboardTest, BitmapReplacesEverythingElse) {
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    QImage bitmap(7, 5, QImage::Format_RGB32);
    bitmap.fill(Qt::black);
    platform::Clipboard::SetBitmap(bitmap);
    const QMimeData* const content = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(content, nullptr);
    EXPECT_FALSE(content->hasText());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(7, 5));
}

// The data files of an installed program lie in share/ostrel-qr beside bin/; the portable folder
// and the build tree keep them beside the executable, which wins when both exist.
TEST(ProgramEnvironmentTest, DataFilesAreFoundBesideTheProgramThenInShare) {
    TestEnvironment environment;
    const QDir root(environment.TemporaryFolder());
    ASSERT_TRUE(root.mkpath(QStringLiteral("bin")) &&
                root.mkpath(QStringLiteral("share/ostrel-qr")));
    environment.SetFolder(root.filePath(QStringLiteral("bin")));
    const QString beside = root.filePath(QStringLiteral("bin/skinh.she"));
    const QString shared = root.filePath(QStringLiteral("share/ostrel-qr/skinh.she"));
    const auto touch = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("QWidget {}") > 0;
    };

    EXPECT_EQ(environment.DataFile(QStringLiteral("skinh.she")), beside) << "neither exists";
    ASSERT_TRUE(touch(shared));
    EXPECT_EQ(environment.DataFile(QStringLiteral("skinh.she")), shared);
    // A folder of that name beside the program is no data file.
    ASSERT_TRUE(root.mkpath(QStringLiteral("bin/forum.html")));
    ASSERT_TRUE(touch(root.filePath(QStringLiteral("share/ostrel-qr/forum.html"))));
    EXPECT_EQ(environment.DataFile(QStringLiteral("forum.html")),
              root.filePath(QStringLiteral("share/ostrel-qr/forum.html")));
    ASSERT_TRUE(touch(beside));
    EXPECT_EQ(environment.DataFile(QStringLiteral("skinh.she")), beside);
}

} // namespace
} // namespace ostrel::test
