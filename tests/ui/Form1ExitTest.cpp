// How the main window ends: the close prompt, "退出程序", "重启程序" and "官方论坛".
#include "Form1Fixture.h"

#include "ImageControl.h"
#include "TextBox.h"

#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>

namespace ostrel::test {
namespace {

// The program's folder holds the product's page, as an unpacked archive does.
class ExitTest : public Form1Fixture {
protected:
    void SetUp() override {
        QFile page(environment.ProgramFolder() + QStringLiteral("/forum.html"));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<!DOCTYPE html><title>Ostrel</title>");
        page.close();
        Form1Fixture::SetUp();
    }
    QUrl Forum() const {
        return QUrl::fromLocalFile(environment.ProgramFolder() + QStringLiteral("/forum.html"));
    }
};

const QString ClosePrompt = QStringLiteral(
    "感谢您对Vessa、对Zb系列的软件的支持!\r \r是否退出并到论坛可以下载更多Vessa的原创免费软件?");
const QString RestartPrompt =
    QStringLiteral("如果您觉得当前使用的程序出现异常\r\n \r\n请点击重启程序,是否现在重新启动程序?");

void ExpectClosePrompt(const ScriptedDialogs::Shown& box) {
    EXPECT_EQ(box.text, ClosePrompt);
    EXPECT_EQ(box.icon, QMessageBox::Information);
    EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.title, MessageTitle);
}

TEST_F(ExitTest, CancelKeepsTheWindowWithTextAndSymbol) {
    Generate(QStringLiteral("stay"));
    const QImage symbol = form->Image1->Picture();
    dialogs.Answer(QMessageBox::Cancel);
    EXPECT_FALSE(form->close());
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    ExpectClosePrompt(dialogs.Last());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Text1->Text(), QStringLiteral("stay"));
    EXPECT_EQ(form->Image1->Picture(), symbol);
    EXPECT_TRUE(urls.Opened().empty());
}

TEST_F(ExitTest, NoClosesWithoutOpeningTheForum) {
    dialogs.Answer(QMessageBox::No);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    ExpectClosePrompt(dialogs.Last());
    EXPECT_TRUE(urls.Opened().empty());
}

TEST_F(ExitTest, YesOpensTheForumAndCloses) {
    dialogs.Answer(QMessageBox::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_EQ(urls.Opened().front(), Forum());
}

TEST_F(ExitTest, ExitCommandAsksTheSameQuestion) {
    dialogs.Answer(QMessageBox::Cancel);
    form->endd->trigger();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    ExpectClosePrompt(dialogs.Last());
    EXPECT_TRUE(form->isVisible());

    dialogs.Answer(QMessageBox::No);
    form->endd_Click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(dialogs.Boxes().size(), 2u);
}

TEST_F(ExitTest, ForumCommandOpensTheForumWithoutAsking) {
    form->zb->trigger();
    EXPECT_TRUE(dialogs.Boxes().empty());
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_EQ(urls.Opened().front(), Forum());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ExitTest, RestartAnsweredNoChangesNothing) {
    Generate(QStringLiteral("keep"));
    dialogs.Answer(QMessageBox::No);
    form->qq->trigger();
    ASSERT_EQ(dialogs.Boxes().size(), 1u);
    EXPECT_EQ(dialogs.Last().text, RestartPrompt);
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(dialogs.Last().title, MessageTitle);
    EXPECT_TRUE(environment.Started().isEmpty());
    EXPECT_EQ(environment.EndCount(), 0);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->SymbolPresent());
}

TEST_F(ExitTest, RestartAnsweredYesStartsOwnExecutableAndEndsWithoutPrompt) {
    dialogs.Answer(QMessageBox::Yes);
    form->qq_Click();
    ASSERT_EQ(environment.Started().size(), 1);
    EXPECT_EQ(environment.Started().front(), QCoreApplication::applicationFilePath());
    EXPECT_EQ(environment.EndCount(), 1);
    // only the restart prompt: the close prompt never came
    EXPECT_EQ(dialogs.Boxes().size(), 1u);
}

TEST_F(ExitTest, RestartThatCannotStartSaysSoAndKeepsRunning) {
    environment.SetStartSucceeds(false);
    dialogs.Answer(QMessageBox::Yes);
    form->qq->trigger();
    EXPECT_EQ(environment.Started().size(), 1);
    EXPECT_EQ(environment.EndCount(), 0);
    ASSERT_EQ(dialogs.Boxes().size(), 2u);
    EXPECT_EQ(dialogs.Last().text, QStringLiteral("程序重启失败,请手动重新启动!"));
    EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(form->isVisible());
}

} // namespace
} // namespace ostrel::test
