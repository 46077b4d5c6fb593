// The main window as the user sees it: the symbol read back from the screen's pixels, the status
// bar's panels where they are drawn, the window's place on the screen, and the real message boxes
// (not the scripted stand-in) with their texts, icons, titles and buttons.
#include "Form1Fixture.h"

#include "ImageControl.h"
#include "PeerReaders.h"
#include "StatusBar.h"
#include "TextBox.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace ostrel::test {
namespace {

using ScreenTest = Form1Fixture;

// What the screen shows inside widget, read from the X server (not rendered by the widget).
QImage OnScreen(QWidget* widget) {
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    QScreen* const screen = widget->screen();
    return screen->grabWindow(0, origin.x(), origin.y(), widget->width(), widget->height())
        .toImage();
}

void ShowAndSettle(QWidget* window) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->repaint();
    QCoreApplication::processEvents();
    // Let the X server receive the painted window before its pixels are read back.
    QTest::qWait(200);
}

TEST_F(ScreenTest, GeneratedSymbolIsReadFromTheScreenByBothReaders) {
    ShowAndSettle(form.get());
    // Before any symbol, the display area shows none.
    EXPECT_FALSE(ReadWithZXing(OnScreen(form->Frame1)).has_value());

    const QString text = QStringLiteral("Ostrel 屏幕 12345");
    Generate(text);
    ShowAndSettle(form.get());
    const QImage screen = OnScreen(form->Frame1);
    const auto zxing = ReadWithZXing(screen);
    ASSERT_TRUE(zxing.has_value()) << "zxing-cpp found no symbol on the screen";
    EXPECT_EQ(zxing->Bytes, text.toStdString());
    const auto zbar = ReadWithZBar(screen);
    ASSERT_TRUE(zbar.has_value()) << "ZBar found no symbol on the screen";
    EXPECT_EQ(*zbar, text.toStdString());

    // Cleared: the symbol leaves the screen again.
    form->qk->trigger();
    ShowAndSettle(form.get());
    EXPECT_FALSE(ReadWithZXing(OnScreen(form->Frame1)).has_value());
}

// The three panels drawn left to right across the whole status bar: 96 pixels, the rest, 96
// pixels, each showing its own text.
TEST_F(ScreenTest, StatusBarPanelsInOrderAcrossTheBar) {
    ShowAndSettle(form.get());
    platform::StatusBar* const bar = form->S1;
    const QRect barOnScreen(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    QRect panels[3];
    for (int i = 0; i < 3; ++i) {
        QLabel* const panel = bar->Panel(i + 1);
        ASSERT_TRUE(panel->isVisible()) << "panel " << i + 1;
        panels[i] = QRect(panel->mapToGlobal(QPoint(0, 0)), panel->size());
        EXPECT_TRUE(barOnScreen.contains(panels[i])) << "panel " << i + 1 << " outside the bar";
    }
    EXPECT_LE(panels[0].left() - barOnScreen.left(), 4);
    EXPECT_LT(panels[0].right(), panels[1].left());
    EXPECT_LT(panels[1].right(), panels[2].left());
    EXPECT_LE(panels[1].left() - panels[0].right(), 8);
    EXPECT_LE(panels[2].left() - panels[1].right(), 8);
    EXPECT_LE(barOnScreen.right() - panels[2].right(), 8);
    EXPECT_EQ(panels[0].width(), 96);
    EXPECT_EQ(panels[2].width(), 96);
    EXPECT_GE(panels[1].width(), barOnScreen.width() - 2 * 96 - 24);
    EXPECT_EQ(bar->Panel(1)->text(), QStringLiteral("运行提示："));
    EXPECT_EQ(bar->Panel(2)->text(), QStringLiteral("请输入内容后点击生成"));
    EXPECT_EQ(bar->Panel(3)->text(), QStringLiteral("Ostrel出品"));

    // The panel that the generate command writes is the middle one on the screen.
    Generate(QStringLiteral("panel"));
    EXPECT_NE(bar->Panel(2)->text(), QStringLiteral("请输入内容后点击生成"));
    QLabel* middle = nullptr;
    for (QLabel* label : bar->findChildren<QLabel*>()) {
        if (label->isVisible() &&
            label->geometry().center().x() == bar->Panel(2)->geometry().center().x()) {
            middle = label;
        }
    }
    EXPECT_EQ(middle, bar->Panel(2));
}

TEST_F(ScreenTest, WindowIsCentredOnTheScreen) {
    ShowAndSettle(form.get());
    const QRect available = form->screen()->availableGeometry();
    const QRect frame = form->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - available.center().x()), 1)
        << "frame " << frame.x() << "," << frame.y() << " on " << available.width() << "x"
        << available.height();
    EXPECT_LE(std::abs(frame.center().y() - available.center().y()), 1)
        << "frame " << frame.x() << "," << frame.y() << " on " << available.width() << "x"
        << available.height();
}

// A real message box as it appeared: read from the screen's top-level widgets while it was up.
struct RealBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // captions, in the box's button order
    QWidget* parent = nullptr;
    bool modal = false;
};

// Lets the real dialogs show their boxes while it lives: polls for the modal message box, records
// it and presses the button that `press` picks (or Escape when it gives none).
class RealBoxAnswerer {
public:
    explicit RealBoxAnswerer(std::function<QAbstractButton*(QMessageBox&)> press)
        : m_Press(std::move(press)) {
        platform::Dialogs::Install(nullptr);
        QObject::connect(&m_Timer, &QTimer::timeout, [this] { Poll(); });
        m_Timer.start(20);
    }
    ~RealBoxAnswerer() { m_Timer.stop(); }
    // Back to the scripted dialogs of the fixture.
    void Restore(ScriptedDialogs& dialogs) { platform::Dialogs::Install(&dialogs); }

    std::vector<RealBox> Boxes;

private:
    void Poll() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* const box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible() || box->property("answered").toBool()) {
                continue;
            }
            box->setProperty("answered", true);
            RealBox seen;
            seen.seen = true;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            for (QAbstractButton* b : box->buttons()) {
                seen.buttons << b->text();
            }
            seen.buttons.sort();
            seen.parent = box->parentWidget();
            seen.modal = box->isModal();
            Boxes.push_back(seen);
            if (QAbstractButton* const button = m_Press(*box)) {
                button->click();
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        }
    }

    std::function<QAbstractButton*(QMessageBox&)> m_Press;
    QTimer m_Timer;
};

const QString ClosePromptShown =
    QStringLiteral("感谢您对Vessa、对Zb系列的软件的支持!\n \n是否退出并到论坛可以下载更多Vessa的"
                   "原创免费软件?");

TEST_F(ScreenTest, RealClosePromptShowsItsLinesIconTitleAndButtons) {
    ShowAndSettle(form.get());
    {
        // Escape answers Cancel: the window stays.
        RealBoxAnswerer answerer([](QMessageBox&) { return nullptr; });
        EXPECT_FALSE(form->close());
        answerer.Restore(dialogs);
        ASSERT_EQ(answerer.Boxes.size(), 1u);
        const RealBox& box = answerer.Boxes.front();
        EXPECT_EQ(box.text, ClosePromptShown);
        EXPECT_EQ(box.icon, QMessageBox::Information);
        EXPECT_EQ(box.title, MessageTitle);
        EXPECT_EQ(box.buttons, QStringList({QStringLiteral("取消"), QStringLiteral("否(&N)"),
                                            QStringLiteral("是(&Y)")}));
        EXPECT_EQ(box.parent, form.get());
        EXPECT_TRUE(box.modal);
        EXPECT_TRUE(form->isVisible());
    }
    {
        // No closes the window without opening the forum.
        RealBoxAnswerer answerer([](QMessageBox& box) { return box.button(QMessageBox::No); });
        EXPECT_TRUE(form->close());
        answerer.Restore(dialogs);
        ASSERT_EQ(answerer.Boxes.size(), 1u);
        EXPECT_EQ(answerer.Boxes.front().text, ClosePromptShown);
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(urls.Opened().empty());
    }
}

TEST_F(ScreenTest, RealWarningForEmptyTextAndRestartQuestion) {
    ShowAndSettle(form.get());
    RealBoxAnswerer answerer([](QMessageBox& box) {
        return box.button(QMessageBox::Ok) != nullptr ? box.button(QMessageBox::Ok)
                                                      : box.button(QMessageBox::No);
    });
    form->Text1->SetText(QString());
    form->sc->trigger(); // the menu's generate command warns with a box
    form->qq->trigger();
    answerer.Restore(dialogs);
    ASSERT_EQ(answerer.Boxes.size(), 2u);
    const RealBox& warning = answerer.Boxes[0];
    EXPECT_EQ(warning.text, QStringLiteral("请输入内容后再进行生成!"));
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
    EXPECT_EQ(warning.title, MessageTitle);
    EXPECT_EQ(warning.buttons, QStringList({QStringLiteral("确定")}));
    EXPECT_EQ(warning.parent, form.get());

    const RealBox& restart = answerer.Boxes[1];
    EXPECT_EQ(restart.text,
              QStringLiteral(
                  "如果您觉得当前使用的程序出现异常\n \n请点击重启程序,是否现在重新启动程序?"));
    EXPECT_EQ(restart.icon, QMessageBox::Information);
    EXPECT_EQ(restart.title, MessageTitle);
    EXPECT_EQ(restart.buttons, QStringList({QStringLiteral("否(&N)"), QStringLiteral("是(&Y)")}));
    EXPECT_TRUE(environment.Started().isEmpty());
    EXPECT_TRUE(form->isVisible());
}

} // namespace
} // namespace ostrel::test
