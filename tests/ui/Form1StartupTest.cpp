// The main window right after start-up: layout, lists, menu, status bar, font, focus, skin and the
// background browser.
#include "Form1Fixture.h"

#include "ImageControl.h"
#include "PictureBox.h"
#include "StatusBar.h"
#include "TextBox.h"
#include "WebBrowser.h"
#include "WindowFont.h"

#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextLayout>

#include <algorithm>
#include <string>
#include <vector>

namespace ostrel::test {
namespace {

using StartupTest = Form1Fixture;

QRect Twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

TEST_F(StartupTest, OpensWithTextTemplateEmptyTextUtf8AndNoSymbol) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ostrel二维条码生成器 - For:Orlek"));
    EXPECT_TRUE(form->Option5->isChecked());
    for (const QRadioButton* option :
         {form->Option1, form->Option2, form->Option3, form->Option4}) {
        EXPECT_FALSE(option->isChecked()) << option->text().toStdString();
    }
    EXPECT_EQ(form->Text1->Text(), QString());
    EXPECT_EQ(form->cmb1[3]->currentText(), QStringLiteral("UTF-8"));
    EXPECT_FALSE(form->SymbolPresent());
    EXPECT_TRUE(form->Image1->Picture().isNull());
    EXPECT_TRUE(form->Label2->isVisible());
    EXPECT_EQ(form->Label2->text(), QStringLiteral("二维条码图片区"));
    EXPECT_EQ(form->Encoder(), nullptr);
    EXPECT_EQ(form->S1->PanelText(1), QStringLiteral("运行提示："));
    EXPECT_EQ(form->S1->PanelText(2), QStringLiteral("请输入内容后点击生成"));
    EXPECT_EQ(form->S1->PanelText(3), QStringLiteral("Ostrel出品"));
    EXPECT_TRUE(form->windowIcon().isNull());
    // nothing asked, nothing opened
    EXPECT_TRUE(dialogs.Boxes().empty());
    EXPECT_TRUE(urls.Opened().empty());
}

TEST_F(StartupTest, SettingsListsAreFilledAndSelected) {
    QStringList versions{QStringLiteral("Automatic")};
    for (int v = 1; v <= 40; ++v) {
        versions << QString::number(v);
    }
    QStringList masks{QStringLiteral("Automatic")};
    for (int m = 0; m <= 7; ++m) {
        masks << QString::number(m);
    }
    const std::array<QStringList, 4> expected = {
        versions,
        QStringList{QStringLiteral("L - 7%"), QStringLiteral("M - 15%"), QStringLiteral("Q - 25%"),
                    QStringLiteral("H - 30%")},
        masks, QStringList{QStringLiteral("ANSI"), QStringLiteral("UTF-8")}};
    const std::array<int, 4> selected = {0, 1, 0, 1};
    for (std::size_t i = 0; i < 4; ++i) {
        QStringList items;
        for (int k = 0; k < form->cmb1[i]->count(); ++k) {
            items << form->cmb1[i]->itemText(k);
        }
        EXPECT_EQ(items, expected[i]) << "cmb1(" << i << ")";
        EXPECT_EQ(form->cmb1[i]->currentIndex(), selected[i]) << "cmb1(" << i << ")";
    }
    EXPECT_EQ(form->cmb1[0]->count(), 41);
    EXPECT_EQ(form->cmb1[2]->count(), 9);
}

TEST_F(StartupTest, ControlsSitAtTheirDesignPositions) {
    struct Placement {
        const char* name;
        QWidget* control;
        QWidget* container;
        QRect geometry;
    };
    ui::Form1& f = *form;
    const std::vector<Placement> placements = {
        {"Command1", f.Command1, f.Client, Twips(240, 4650, 3855, 615)},
        {"cmb1(0)", f.cmb1[0], f.Client, Twips(12600, 3840, 1095, 315)},
        {"cmb1(1)", f.cmb1[1], f.Client, Twips(12600, 4560, 1095, 315)},
        {"cmb1(2)", f.cmb1[2], f.Client, Twips(12600, 3120, 1095, 315)},
        {"Frame1", f.Frame1, f.Client, Twips(4320, 1200, 2895, 4095)},
        {"Frame2", f.Frame2, f.Client, Twips(4320, 240, 2895, 735)},
        {"cmb1(3)", f.cmb1[3], f.Frame2, Twips(1440, 245, 1335, 315)},
        {"Label1", f.Label1, f.Frame2, Twips(240, 290, 1080, 195)},
        {"Frame3", f.Frame3, f.Client, Twips(240, 1200, 3855, 3375)},
        {"Text1", f.Text1, f.Frame3, Twips(120, 240, 3615, 3015)},
        {"Command2", f.Command2, f.Frame1, Twips(120, 3000, 2655, 495)},
        {"Command3", f.Command3, f.Frame1, Twips(120, 3480, 1335, 495)},
        {"Label2", f.Label2, f.Frame1, Twips(120, 1560, 2700, 195)},
        {"Frame4", f.Frame4, f.Client, Twips(240, 240, 3855, 735)},
        {"Option1", f.Option1, f.Frame4, Twips(120, 360, 735, 195)},
        {"Option2", f.Option2, f.Frame4, Twips(840, 360, 735, 195)},
        {"Option3", f.Option3, f.Frame4, Twips(1560, 360, 735, 195)},
        {"Option4", f.Option4, f.Frame4, Twips(2280, 360, 735, 195)},
        {"Option5", f.Option5, f.Frame4, Twips(3000, 360, 735, 195)},
        {"Picture1", f.Picture1, f.Client, Twips(9480, 1680, 2055, 1815)},
        {"WebBrowser1", f.WebBrowser1, f.Client, Twips(2640, 2400, 375, 375)},
        {"Command4", f.Command4, f.Frame1, Twips(1440, 3480, 1335, 495)},
        {"W2", f.W2, f.Client, Twips(1560, 2520, 375, 255)},
        {"Image1", f.Image1, f.Frame1, Twips(120, 360, 2655, 2535)},
    };
    for (const Placement& p : placements) {
        ASSERT_NE(p.control, nullptr) << p.name;
        EXPECT_EQ(p.control->parentWidget(), p.container) << p.name;
        EXPECT_EQ(p.control->geometry(), p.geometry) << p.name;
    }
}

TEST_F(StartupTest, ClientAreaHoldsTheStatusBarBelowTheMenuBar) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QRect client = form->Client->geometry();
    const QRect status = form->S1->geometry();
    EXPECT_EQ(client.size(), QSize(490, 429 - 33));
    EXPECT_EQ(client.top(), form->menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(status, QRect(0, client.top() + 5940 / 15, 7350 / 15, 495 / 15));
    EXPECT_EQ(form->size(), QSize(490, client.top() + 6435 / 15));
    // fixed: the window cannot be resized
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    // the panels: 96 pixels, the rest, 96 pixels
    EXPECT_EQ(form->S1->Panel(1)->width(), 1440 / 15);
    EXPECT_EQ(form->S1->Panel(3)->width(), 1440 / 15);
    EXPECT_GT(form->S1->Panel(2)->width(), 250);
}

TEST_F(StartupTest, HiddenControlsExistBeyondTheVisibleArea) {
    for (QWidget* hidden :
         {static_cast<QWidget*>(form->cmb1[0]), static_cast<QWidget*>(form->cmb1[1]),
          static_cast<QWidget*>(form->cmb1[2]), static_cast<QWidget*>(form->Picture1)}) {
        EXPECT_TRUE(hidden->isVisible());
        EXPECT_GE(hidden->mapTo(form.get(), QPoint(0, 0)).x(), form->width());
        // nothing of it lies in the window
        EXPECT_TRUE(hidden->visibleRegion().isEmpty());
    }
}

TEST_F(StartupTest, CaptionsOfFramesButtonsAndOptions) {
    EXPECT_EQ(form->Command1->text(), QStringLiteral("生成二维码"));
    EXPECT_EQ(form->Frame1->title(), QStringLiteral("生成后二维码"));
    EXPECT_EQ(form->Frame2->title(), QString());
    EXPECT_EQ(form->Label1->text(), QStringLiteral("请选择编码："));
    EXPECT_EQ(form->Frame3->title(), QStringLiteral("请输入要生成的内容"));
    EXPECT_EQ(form->Command2->text(), QStringLiteral("保存二维码到计算机"));
    EXPECT_EQ(form->Command3->text(), QStringLiteral("复制二维码"));
    EXPECT_EQ(form->Frame4->title(), QStringLiteral("请选择类别"));
    EXPECT_EQ(form->Option1->text(), QStringLiteral("名片"));
    EXPECT_EQ(form->Option2->text(), QStringLiteral("邮箱"));
    EXPECT_EQ(form->Option3->text(), QStringLiteral("网址"));
    EXPECT_EQ(form->Option4->text(), QStringLiteral("电话"));
    EXPECT_EQ(form->Option5->text(), QStringLiteral("文本"));
    EXPECT_EQ(form->Command4->text(), QStringLiteral("发给QQ好友"));
    EXPECT_TRUE(form->Label2->alignment().testFlag(Qt::AlignHCenter));
}

TEST_F(StartupTest, MenuBarHoldsProgramMenuForumAndRestart) {
    const QList<QAction*> bar = form->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("程序菜单"));
    EXPECT_EQ(bar[0]->menu(), form->menu1);
    EXPECT_EQ(bar[1], form->zb);
    EXPECT_EQ(bar[1]->text(), QStringLiteral("官方论坛"));
    EXPECT_EQ(bar[2], form->qq);
    EXPECT_EQ(bar[2]->text(), QStringLiteral("重启程序"));

    const QList<QAction*> items = form->menu1->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], form->sc);
    EXPECT_EQ(items[0]->text(), QStringLiteral("生成二维码"));
    EXPECT_EQ(items[1], form->qk);
    EXPECT_EQ(items[1]->text(), QStringLiteral("清空二维码"));
    EXPECT_EQ(items[2], form->x2);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], form->endd);
    EXPECT_EQ(items[3]->text(), QStringLiteral("退出程序"));
}

TEST_F(StartupTest, WindowFontIsTahomaOrSansSerifAtEightPointTwoFive) {
    EXPECT_DOUBLE_EQ(form->font().pointSizeF(), 8.25);
    EXPECT_DOUBLE_EQ(form->Command1->font().pointSizeF(), 8.25);
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        EXPECT_EQ(form->font().family(), QStringLiteral("Tahoma"));
    }
    EXPECT_FALSE(form->font().italic());
    EXPECT_FALSE(form->font().bold());
}

// Every Chinese caption is drawn with real glyphs from a fallback font, never the empty box.
TEST_F(StartupTest, ChineseCaptionsHaveGlyphs) {
    const QStringList captions = {form->windowTitle(),
                                  form->Command1->text(),
                                  form->Frame1->title(),
                                  form->Frame3->title(),
                                  form->Frame4->title(),
                                  form->Label1->text(),
                                  form->Label2->text(),
                                  form->Command2->text(),
                                  form->menu1->title(),
                                  form->S1->PanelText(2),
                                  QStringLiteral("名片邮箱网址电话文本")};
    for (const QString& caption : captions) {
        QTextLayout layout(caption, form->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        int glyphs = 0;
        for (const QGlyphRun& run : layout.glyphRuns()) {
            for (const quint32 index : run.glyphIndexes()) {
                EXPECT_NE(index, 0u) << "missing glyph in " << caption.toStdString() << " ("
                                     << run.rawFont().familyName().toStdString() << ")";
                ++glyphs;
            }
        }
        EXPECT_GT(glyphs, 0) << caption.toStdString();
    }
}

// The whole tab order walked with the keyboard, forwards and backwards: Command1, the four lists,
// Text1, Command2, Command3, the template options as one group, Command4, and round again. The
// option group counts as one stop when Tab lands on its selected option only; five stops, one per
// option in order, are accepted too. (Which option the single stop lands on is left to the
// tests of the template group.)
std::vector<QWidget*> WalkTabOrder(ui::Form1& form, Qt::KeyboardModifiers modifiers) {
    std::vector<QWidget*> stops;
    form.Command1->setFocus(Qt::TabFocusReason);
    for (int presses = 0; presses < 40; ++presses) {
        QWidget* const focused = QApplication::focusWidget();
        if (focused == nullptr) {
            break;
        }
        if (!stops.empty() && focused == form.Command1) {
            break;
        }
        stops.push_back(focused);
        QTest::keyClick(focused, Qt::Key_Tab, modifiers);
    }
    return stops;
}

std::vector<std::string> Names(const std::vector<QWidget*>& widgets) {
    std::vector<std::string> names;
    for (QWidget* w : widgets) {
        names.push_back(w != nullptr ? w->objectName().toStdString() : "(none)");
    }
    return names;
}

// Replaces the run of option buttons in stops by the single entry `group`; fails the test when
// the run is neither one option alone nor all five in order.
void FoldOptionGroup(ui::Form1& form, std::vector<QWidget*>& stops, QWidget* group,
                     bool backwards) {
    std::vector<QWidget*> options = {form.Option1, form.Option2, form.Option3, form.Option4,
                                     form.Option5};
    if (backwards) {
        std::reverse(options.begin(), options.end());
    }
    const auto isOption = [&](QWidget* w) {
        return std::find(options.begin(), options.end(), w) != options.end();
    };
    const auto first = std::find_if(stops.begin(), stops.end(), isOption);
    ASSERT_NE(first, stops.end()) << "Tab never reaches the template options";
    const auto last = std::find_if_not(first, stops.end(), isOption);
    const std::vector<QWidget*> run(first, last);
    EXPECT_TRUE(run.size() == 1 || run == options)
        << "the option group takes " << run.size() << " stops, first " << Names(run).front();
    const auto at = stops.erase(first, last);
    stops.insert(at, group);
}

TEST_F(StartupTest, TabWalksEveryStopInDesignOrder) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->Option3->click(); // a template other than the first and the last
    QWidget* const group = form->Frame4;
    const std::vector<QWidget*> expected = {
        form->Command1, form->cmb1[0],  form->cmb1[1],  form->cmb1[2], form->cmb1[3],
        form->Text1,    form->Command2, form->Command3, group,         form->Command4};

    std::vector<QWidget*> forward = WalkTabOrder(*form, Qt::NoModifier);
    FoldOptionGroup(*form, forward, group, false);
    EXPECT_EQ(Names(forward), Names(expected));

    std::vector<QWidget*> backward = WalkTabOrder(*form, Qt::ShiftModifier);
    FoldOptionGroup(*form, backward, group, true);
    std::vector<QWidget*> reversed = {expected.front()};
    reversed.insert(reversed.end(), expected.rbegin(), expected.rend() - 1);
    EXPECT_EQ(Names(backward), Names(reversed));
}

TEST_F(StartupTest, TabbingIntoTheTextBoxSelectsAllSoTypingReplacesIt) {
    form->Option1->click();
    const QString businessCard = form->Text1->Text();
    ASSERT_FALSE(businessCard.isEmpty());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->cmb1[3]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form->cmb1[3], Qt::Key_Tab);
    ASSERT_TRUE(form->Text1->hasFocus());
    EXPECT_EQ(form->Text1->SelStart(), 0);
    EXPECT_EQ(form->Text1->SelLength(), businessCard.size());
    QTest::keyClicks(form->Text1, QStringLiteral("13800138000"));
    EXPECT_EQ(form->Text1->Text(), QStringLiteral("13800138000"));
}

TEST_F(StartupTest, TheBrowserControlsLieBeneathTheTextBox) {
    // the text box, not a browser control, takes a click at the browsers' place
    for (const QWidget* browser :
         {static_cast<QWidget*>(form->WebBrowser1), static_cast<QWidget*>(form->W2)}) {
        const QPoint centre = browser->geometry().center();
        QWidget* const hit = form->Client->childAt(centre);
        ASSERT_NE(hit, nullptr);
        EXPECT_TRUE(hit == form->Text1 || form->Text1->isAncestorOf(hit))
            << hit->objectName().toStdString();
    }
}

TEST_F(StartupTest, ForumPageIsRequestedSilentlyInTheBackground) {
    EXPECT_TRUE(form->WebBrowser1->Silent());
    // the product's page in the program's folder, read inside the control: the desktop's
    // browser is not asked
    EXPECT_EQ(form->WebBrowser1->LocationURL(),
              QUrl::fromLocalFile(environment.ProgramFolder() + QStringLiteral("/forum.html")));
    EXPECT_TRUE(urls.Opened().empty());
    EXPECT_TRUE(form->W2->LocationURL().isEmpty());
}

// ---- The skin file in the program's folder ----

class SkinStartupTest : public Form1Fixture {
protected:
    void Restart() {
        form.reset();
        qApp->setStyleSheet(QString());
        form = std::make_unique<ui::Form1>();
        form->show();
    }
    QString SkinPath() const { return environment.ProgramFolder() + QStringLiteral("/skinh.she"); }
};

TEST_F(SkinStartupTest, ShippedSkinIsApplied) {
    QFile shipped(QStringLiteral(OSTREL_SKIN_FILE));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QByteArray sheet = shipped.readAll();
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_SKIN_FILE), SkinPath()));
    Restart();
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet));
    // the skin leaves the layout alone
    EXPECT_EQ(form->Client->size(), QSize(490, 396));
    EXPECT_EQ(form->Command1->geometry(), Twips(240, 4650, 3855, 615));
    EXPECT_EQ(form->S1->height(), 33);
}

TEST_F(SkinStartupTest, MissingEmptyGarbageOrHugeSkinKeepsThePlainLook) {
    // missing (the fixture's folder has none)
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_TRUE(form->isVisible());

    const auto writeSkin = [this](const QByteArray& content, qint64 size) {
        QFile file(SkinPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        if (size > content.size()) {
            ASSERT_TRUE(file.resize(size)); // sparse: 50 MB without writing them
        }
    };
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.append(static_cast<char>((i * 151 + 7) % 256));
    }
    const std::vector<std::pair<QByteArray, qint64>> skins = {
        {QByteArray(), 0},
        {garbage, 0},
        {QByteArray("QWidget { color: red; }"), qint64{50} * 1024 * 1024},
        {QByteArray("QWidget { color: \xff\xfe red; }"), 0},
    };
    for (const auto& [content, size] : skins) {
        writeSkin(content, size);
        Restart();
        EXPECT_TRUE(qApp->styleSheet().isEmpty());
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->cmb1[3]->currentText(), QStringLiteral("UTF-8"));
        EXPECT_TRUE(form->Option5->isChecked());
    }
}

} // namespace
} // namespace ostrel::test
