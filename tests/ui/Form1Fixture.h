#pragma once

#include "Form1.h"
#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "TextBox.h"
#include "UrlRecorder.h"

#include <QApplication>
#include <QPushButton>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ostrel::test {

inline const QString MessageTitle = QStringLiteral("Ostrel系列软件");

// The text as UTF-8 bytes, as the readers return them.
inline std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

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

    // The first two messages are the save window's failure messages for the large and then the
    // small rendition: "保存失败,无法写入文件:" and the time-stamped name, information icon, OK.
    void ExpectSaveFailureMessages() {
        ASSERT_GE(dialogs.Boxes().size(), 2u);
        const QRegularExpression names[] = {
            QRegularExpression(QStringLiteral("^保存失败,无法写入文件:HD\\d{14}\\.jpg$")),
            QRegularExpression(QStringLiteral("^保存失败,无法写入文件:BD\\d{14}\\.jpg$")),
        };
        for (std::size_t i = 0; i < 2; ++i) {
            const auto& box = dialogs.Boxes()[i];
            EXPECT_TRUE(names[i].match(box.text).hasMatch()) << box.text.toStdString();
            EXPECT_EQ(box.icon, QMessageBox::Information);
            EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            EXPECT_EQ(box.title, MessageTitle);
        }
    }

    ScriptedDialogs dialogs;
    TestEnvironment environment;
    UrlRecorder urls;
    std::unique_ptr<ui::Form1> form;
};

} // namespace ostrel::test
