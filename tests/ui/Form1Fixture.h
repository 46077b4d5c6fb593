#pragma once

#include "Form1.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "TextBox.h"
#include "UrlRecorder.h"

#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::test {

inline const QString MessageTitle = QStringLiteral("Ostrel系列软件");

// A main window in a fresh temporary program folder, its dialogs scripted and the addresses it
// opens recorded. The window is shown: the tests drive it as a user would.
class Form1Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        qApp->setStyleSheet(QString());
        form = std::make_unique<ui::Form1>();
        form->show();
    }

    void TearDown() override {
        if (form) {
            form->hide();
        }
        form.reset();
        qApp->setStyleSheet(QString());
    }

    // Types the text (replacing the content) and presses 生成二维码.
    void Generate(const QString& text) {
        form->Text1->SetText(text);
        form->Command1->click();
    }

    // Runs 发给QQ好友 answering Yes and typing number; the message that followed the input box
    // (an information box with OK and the usual title), or "" when none came.
    QString SendToQqFriend(const QString& number) {
        dialogs.Clear();
        dialogs.Answer(QMessageBox::Yes);
        dialogs.AnswerInput(number);
        form->Command4->click();
        EXPECT_TRUE(dialogs.ScriptUsedUp());
        if (dialogs.Boxes().size() < 3) {
            return QString();
        }
        EXPECT_EQ(dialogs.Boxes().size(), 3u);
        EXPECT_EQ(dialogs.Last().icon, QMessageBox::Information);
        EXPECT_EQ(dialogs.Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(dialogs.Last().title, MessageTitle);
        return dialogs.Last().text;
    }

    ScriptedDialogs dialogs;
    TestEnvironment environment;
    UrlRecorder urls;
    std::unique_ptr<ui::Form1> form;
};

} // namespace ostrel::test
