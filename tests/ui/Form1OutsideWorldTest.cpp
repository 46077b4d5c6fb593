// The main window where it meets the world outside: the product's own page beside the program,
// the messenger that may not be installed, and the keyboard's way through the window.
#include "Form1Fixture.h"

#include "Desktop.h"
#include "TextBox.h"
#include "WebBrowser.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QMenu>
#include <QNetworkProxy>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace ostrel::test {
namespace {

const QString ForumMissing = QStringLiteral("无法打开官方论坛页面!");
const QString MessengerMissing = QStringLiteral("未能打开QQ,请确认已安装并登录QQ!");
const QString ShippedPage = QStringLiteral(OSTREL_FORUM_PAGE);
const QString Version = QStringLiteral(OSTREL_VERSION);

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void ExpectInformation(const ScriptedDialogs::Shown& box, const QString& text) {
    EXPECT_FALSE(box.input);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.icon, QMessageBox::Information);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box.title, MessageTitle);
}

// Hands a scheme's addresses to a receiver that lacks the handler function, so that
// QDesktopServices::openUrl fails for them: the desktop refuses.
class RefusingHandler {
public:
    explicit RefusingHandler(QString scheme) : m_Scheme(std::move(scheme)) {
        platform::Desktop::SetUrlHandler(m_Scheme, &m_Receiver, "NoSuchHandler");
    }
    ~RefusingHandler() { platform::Desktop::UnsetUrlHandler(m_Scheme); }
    RefusingHandler(const RefusingHandler&) = delete;
    RefusingHandler& operator=(const RefusingHandler&) = delete;

private:
    QString m_Scheme;
    QObject m_Receiver;
};

// ---- The shipped page ----

TEST(ForumPageFileTest, LiesBesideTheProgramAndNeedsNothingFromTheNetwork) {
    const QFileInfo page(ShippedPage);
    ASSERT_TRUE(page.isFile()) << ShippedPage.toStdString();
    EXPECT_EQ(page.absolutePath(),
              QFileInfo(QStringLiteral(OSTREL_PROGRAM_FOLDER)).absoluteFilePath());
    EXPECT_EQ(page.fileName(), QString::fromLatin1(ui::Form1::ForumPageName));

    const QString html = QString::fromUtf8(ReadAll(ShippedPage));
    ASSERT_FALSE(html.isEmpty());
    EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"zh-CN\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("lang=\"en\"")));
    // the version was filled in, everywhere
    EXPECT_FALSE(html.contains(QLatin1Char('@') + QStringLiteral("PROJECT_VERSION")));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>Ostrel二维条码生成器 ") + Version +
                              QStringLiteral("</title>")));
    // what a user looks for: templates, commands, files, the tool, the messages, the licence
    for (const char* topic :
         {"名片", "邮箱", "网址", "电话", "文本", "保存高清大图", "普清简易小图", "复制二维码",
          "发给QQ好友", "ostrel-qr-cli", "HD", "BD", "程序所在的文件夹", "许可", "报告问题",
          "未能打开QQ,请确认已安装并登录QQ!", "Licence", "Reporting a problem"}) {
        EXPECT_TRUE(html.contains(QString::fromUtf8(topic))) << topic;
    }

    // Nothing is fetched: no scripts, no linked style sheets, no frames, no imported or
    // referenced resources; links only within the page.
    for (const char* fetching : {"<script", "<link", "<iframe", "<object", "<embed", "@import",
                                 "url(", "srcset", "http-equiv=\"refresh\""}) {
        EXPECT_FALSE(html.contains(QString::fromLatin1(fetching), Qt::CaseInsensitive)) << fetching;
    }
    const QRegularExpression reference(
        QStringLiteral("\\b(src|href|action|poster|data)\\s*=\\s*[\"']?([^\"'\\s>]*)"),
        QRegularExpression::CaseInsensitiveOption);
    int links = 0;
    for (auto match = reference.globalMatch(html); match.hasNext();) {
        const QString target = match.next().captured(2);
        EXPECT_TRUE(target.startsWith(QLatin1Char('#'))) << target.toStdString();
        ++links;
    }
    EXPECT_GE(links, 8); // the table of contents
    // every in-page link has its target
    for (auto match = reference.globalMatch(html); match.hasNext();) {
        const QString id = match.next().captured(2).mid(1);
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"") + id + QLatin1Char('"')))
            << id.toStdString();
    }
}

// A main window whose program folder holds the shipped page, as an unpacked archive does.
class ForumPageTest : public Form1Fixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::copy(ShippedPage, PagePath()));
        Form1Fixture::SetUp();
    }
    QString PagePath() const { return environment.ProgramFolder() + QStringLiteral("/forum.html"); }
    QUrl PageAddress() const { return QUrl::fromLocalFile(PagePath()); }
};

TEST_F(ForumPageTest, TheForumAddressIsThePageInTheProgramFolder) {
    EXPECT_EQ(ui::Form1::ForumAddress(), PageAddress());
    EXPECT_EQ(ui::Form1::ForumAddress().scheme(), QStringLiteral("file"));
    // another folder, another address
    QTemporaryDir other;
    environment.SetFolder(other.path());
    EXPECT_EQ(ui::Form1::ForumAddress(),
              QUrl::fromLocalFile(other.path() + QStringLiteral("/forum.html")));
}

TEST_F(ForumPageTest, StartUpReadsThePageLocallyAndSendsNothing) {
    // Web access on, but every request would go to a proxy on this machine that is not there:
    // should the start-up load still go to the network, it is counted and leaves nothing.
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 9));
    platform::WebBrowser::SetNetworkEnabled(true);
    form.reset();
    form = std::make_unique<ui::Form1>();
    form->show();
    platform::WebBrowser::SetNetworkEnabled(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));

    EXPECT_TRUE(form->WebBrowser1->Silent());
    EXPECT_EQ(form->WebBrowser1->LocationURL(), PageAddress());
    // the page was read: its title
    EXPECT_EQ(form->WebBrowser1->LocationName(), QStringLiteral("Ostrel二维条码生成器 ") + Version);
    EXPECT_EQ(form->WebBrowser1->RequestCount(), 0);
    // and the desktop's browser was not asked
    EXPECT_TRUE(urls.Opened().empty());
    EXPECT_TRUE(dialogs.Boxes().empty());
}

TEST_F(ForumPageTest, ForumCommandOpensThePageInTheDesktopsBrowser) {
    form->zb->trigger();
    EXPECT_TRUE(dialogs.Boxes().empty());
    ASSERT_EQ(urls.Opened().size(), 1);
    const QUrl opened = urls.Opened().front();
    EXPECT_EQ(opened, PageAddress());
    ASSERT_TRUE(opened.isLocalFile());
    EXPECT_EQ(ReadAll(opened.toLocalFile()), ReadAll(ShippedPage));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ForumPageTest, ClosePromptYesOpensThePageAndCloses) {
    dialogs.Answer(QMessageBox::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(dialogs.Boxes().size(), 1u); // the prompt only
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_EQ(urls.Opened().front(), PageAddress());
}

TEST_F(ForumPageTest, MissingPageIsReportedInsteadOfOpeningNothing) {
    ASSERT_TRUE(QFile::remove(PagePath()));
    form->zb->trigger();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    ExpectInformation(dialogs.Last(), ForumMissing);
    EXPECT_TRUE(urls.Opened().empty());
    EXPECT_TRUE(form->isVisible());

    // a folder in the page's place is no page either
    ASSERT_TRUE(QDir().mkdir(PagePath()));
    dialogs.Clear();
    form->zb->trigger();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    ExpectInformation(dialogs.Last(), ForumMissing);
    EXPECT_TRUE(urls.Opened().empty());

    // the close prompt answered Yes says so too, and still closes
    dialogs.Clear();
    dialogs.Answer(QMessageBox::Yes);
    EXPECT_TRUE(form->close());
    ASSERT_EQ(dialogs.Boxes().size(), 2u);
    ExpectInformation(dialogs.Last(), ForumMissing);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(urls.Opened().empty());
}

TEST_F(ForumPageTest, MissingPageStillLetsTheWindowStartSilently) {
    ASSERT_TRUE(QFile::remove(PagePath()));
    form.reset();
    form = std::make_unique<ui::Form1>();
    form->show();
    EXPECT_EQ(form->WebBrowser1->LocationURL(), PageAddress());
    EXPECT_TRUE(form->WebBrowser1->LocationName().isEmpty());
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_TRUE(urls.Opened().empty());
    EXPECT_TRUE(form->Option5->isChecked());
}

TEST_F(ForumPageTest, PageTheDesktopRefusesIsReported) {
    const RefusingHandler refusing(QStringLiteral("file"));
    form->zb->trigger();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    ExpectInformation(dialogs.Last(), ForumMissing);
    EXPECT_TRUE(form->isVisible());
}

TEST(ForumPageBrowserTest, ReadsOnlyRegularFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    UrlRecorder urls;
    platform::WebBrowser browser;
    // a page without a title is read all the same
    const QString plain = folder.filePath(QStringLiteral("plain.html"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<p>no title</p>");
    file.close();
    EXPECT_TRUE(browser.Navigate(QUrl::fromLocalFile(plain)));
    EXPECT_TRUE(browser.LocationName().isEmpty());
    EXPECT_TRUE(browser.Navigate(QUrl::fromLocalFile(ShippedPage)));
    EXPECT_EQ(browser.LocationName(), QStringLiteral("Ostrel二维条码生成器 ") + Version);
    // nothing there, a folder: not opened, and the last title is gone
    EXPECT_FALSE(browser.Navigate(QUrl::fromLocalFile(folder.filePath(QStringLiteral("gone")))));
    EXPECT_TRUE(browser.LocationName().isEmpty());
    EXPECT_FALSE(browser.Navigate(QUrl::fromLocalFile(folder.path())));
#if defined(Q_OS_UNIX)
    // a pipe that nobody writes to would block a reader for ever
    const QString pipe = folder.filePath(QStringLiteral("forum.html"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(browser.Navigate(QUrl::fromLocalFile(pipe)));
#endif
    EXPECT_EQ(browser.RequestCount(), 0);
    EXPECT_TRUE(urls.Opened().empty()); // local pages are never handed to the desktop
}

// ---- The messenger ----

using MessengerTest = Form1Fixture;

TEST_F(MessengerTest, AddressTheDesktopRefusesIsReported) {
    const QUrl chat = ui::Form1::MessengerAddress(QStringLiteral("12345"));
    {
        const RefusingHandler refusing(QStringLiteral("tencent"));
        EXPECT_EQ(SendToQqFriend(QStringLiteral("12345")), MessengerMissing);
        EXPECT_EQ(form->W2->LocationURL(), chat);
        EXPECT_TRUE(urls.Opened().empty());
    }
    // with a program that takes the address: the chat opens and nothing is said
    platform::Desktop::SetUrlHandler(QStringLiteral("tencent"), &urls, "Open");
    EXPECT_EQ(SendToQqFriend(QStringLiteral("12345")), QString());
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_EQ(urls.Opened().front(), chat);
}

TEST_F(MessengerTest, RefusedNumberChecksStillComeFirst) {
    const RefusingHandler refusing(QStringLiteral("tencent"));
    // input errors are reported as before; the address is never tried
    EXPECT_EQ(SendToQqFriend(QStringLiteral("1234")), QStringLiteral("QQ号码位数不正确!"));
    EXPECT_EQ(SendToQqFriend(QStringLiteral("abcde")), QStringLiteral("QQ号码输入错误!"));
    EXPECT_TRUE(form->W2->LocationURL().isEmpty());
}

// The free desktops' lookup: xdg-mime names the program of x-scheme-handler/<scheme>. A stand-in
// xdg-mime on PATH answers; a stand-in xdg-open records any attempt to open an address.
class SchemeLookupTest : public Form1Fixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(tools.isValid());
        savedPath = qgetenv("PATH");
        qputenv("PATH", tools.path().toLocal8Bit() + ':' + savedPath);
        WriteTool(QStringLiteral("xdg-open"),
                  QStringLiteral("echo \"$@\" >> '%1'\n").arg(OpenLog()));
        // the recorder's messenger handler is taken away: the desktop must be asked
        platform::Desktop::UnsetUrlHandler(QStringLiteral("tencent"));
        Form1Fixture::SetUp();
    }
    void TearDown() override {
        Form1Fixture::TearDown();
        qputenv("PATH", savedPath);
    }

    // xdg-mime prints the desktop file of the scheme's program (or nothing) and remembers what
    // it was asked.
    void XdgMimeAnswers(const QString& desktopFile) {
        WriteTool(QStringLiteral("xdg-mime"),
                  QStringLiteral("echo \"$@\" >> '%1'\necho '%2'\n").arg(QueryLog(), desktopFile));
    }
    void WriteTool(const QString& name, const QString& body) {
        QFile tool(tools.filePath(name));
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly | QIODevice::Truncate));
        tool.write("#!/bin/sh\n" + body.toUtf8());
        tool.close();
        ASSERT_TRUE(tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner));
    }
    QString OpenLog() const { return tools.filePath(QStringLiteral("opened.log")); }
    QString QueryLog() const { return tools.filePath(QStringLiteral("queried.log")); }

    QTemporaryDir tools;
    QByteArray savedPath;
};

TEST_F(SchemeLookupTest, NoProgramForTheMessengerIsReported) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    XdgMimeAnswers(QString());
    EXPECT_FALSE(platform::Desktop::SchemeHasHandler(QStringLiteral("tencent")));
    EXPECT_EQ(QString::fromUtf8(ReadAll(QueryLog())).trimmed(),
              QStringLiteral("query default x-scheme-handler/tencent"));

    EXPECT_EQ(SendToQqFriend(QStringLiteral("12345")), MessengerMissing);
    EXPECT_EQ(form->W2->LocationURL(), ui::Form1::MessengerAddress(QStringLiteral("12345")));
    // the address was never handed on
    EXPECT_FALSE(QFileInfo::exists(OpenLog()));

    // once a program is registered, the lookup finds it
    XdgMimeAnswers(QStringLiteral("qq.desktop"));
    EXPECT_TRUE(platform::Desktop::SchemeHasHandler(QStringLiteral("tencent")));
    // web pages and local files need no lookup
    QFile::remove(QueryLog());
    EXPECT_TRUE(platform::Desktop::SchemeHasHandler(QStringLiteral("https")));
    EXPECT_TRUE(platform::Desktop::SchemeHasHandler(QStringLiteral("FILE")));
    EXPECT_FALSE(QFileInfo::exists(QueryLog()));
#else
    GTEST_SKIP() << "the desktop itself refuses unknown schemes here";
#endif
}

// ---- The keyboard's way through the window ----

class TabOrderTest : public Form1Fixture {
protected:
    void SetUp() override {
        Form1Fixture::SetUp();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QWidget* Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* const focus = QApplication::focusWidget();
        EXPECT_NE(focus, nullptr);
        if (focus != nullptr) {
            QTest::keyClick(focus, key, modifiers);
        }
        return QApplication::focusWidget();
    }
    std::vector<QRadioButton*> Options() const {
        return {form->Option1, form->Option2, form->Option3, form->Option4, form->Option5};
    }
};

TEST_F(TabOrderTest, TabFromCommand3LandsOnTheSelectedOptionAndTheNextTabLeaves) {
    for (QRadioButton* const selected : Options()) {
        SCOPED_TRACE(selected->objectName().toStdString());
        selected->click();
        ASSERT_TRUE(selected->isChecked());
        const QString text = form->Text1->Text();
        form->Command3->setFocus(Qt::OtherFocusReason);
        EXPECT_EQ(Press(Qt::Key_Tab), selected);
        EXPECT_EQ(Press(Qt::Key_Tab), form->Command4);
        // and back
        EXPECT_EQ(Press(Qt::Key_Tab, Qt::ShiftModifier), selected);
        EXPECT_EQ(Press(Qt::Key_Tab, Qt::ShiftModifier), form->Command3);
        EXPECT_EQ(form->Text1->Text(), text);
        EXPECT_TRUE(selected->isChecked());
    }
}

TEST_F(TabOrderTest, TabbingThroughTheWindowNeverChangesTheText) {
    form->Option3->click();
    form->Text1->SetText(QStringLiteral("网站名称：Ostrel\r\n网站地址：http://ostrel.example/"));
    const QString text = form->Text1->Text();
    // A mouse press on another option that was not completed to a click leaves that option
    // with the focus but unselected; a later Tab must still not stop on it.
    form->Option1->setFocus(Qt::MouseFocusReason);
    form->Command1->setFocus(Qt::OtherFocusReason);

    std::vector<QWidget*> stops;
    for (const Qt::KeyboardModifiers direction : {Qt::NoModifier, Qt::ShiftModifier}) {
        for (int step = 0; step < 30; ++step) {
            QWidget* const focus = Press(Qt::Key_Tab, direction);
            ASSERT_NE(focus, nullptr);
            stops.push_back(focus);
            if (auto* const option = qobject_cast<QRadioButton*>(focus)) {
                EXPECT_TRUE(option->isChecked()) << option->objectName().toStdString();
                // Space on the option that is reached selects nothing new
                QTest::keyClick(option, Qt::Key_Space);
            }
            EXPECT_EQ(form->Text1->Text(), text) << "after tab " << step;
        }
    }
    EXPECT_TRUE(form->Option3->isChecked());
    // a round trip passes the text box, both visible command rows and the option group
    for (QWidget* const stop :
         {static_cast<QWidget*>(form->Command1), static_cast<QWidget*>(form->Text1),
          static_cast<QWidget*>(form->Command3), static_cast<QWidget*>(form->Option3),
          static_cast<QWidget*>(form->Command4)}) {
        EXPECT_NE(std::find(stops.begin(), stops.end(), stop), stops.end())
            << stop->objectName().toStdString();
    }
    for (QRadioButton* const other : {form->Option1, form->Option2, form->Option4, form->Option5}) {
        EXPECT_EQ(std::find(stops.begin(), stops.end(), other), stops.end())
            << other->objectName().toStdString();
    }
}

TEST_F(TabOrderTest, ArrowKeysStillChooseAnotherTemplate) {
    // the option group keeps the Windows keys: the arrows move the selection (and so the text)
    form->Command3->setFocus(Qt::OtherFocusReason);
    ASSERT_EQ(Press(Qt::Key_Tab), form->Option5);
    EXPECT_EQ(Press(Qt::Key_Left), form->Option4);
    EXPECT_TRUE(form->Option4->isChecked());
    EXPECT_EQ(form->Text1->Text(), ui::Form1::TemplateText(4));
    // the group's tab stop moved with the selection
    form->Command3->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(Press(Qt::Key_Tab), form->Option4);
}

} // namespace
} // namespace ostrel::test
