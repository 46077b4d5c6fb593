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

    ScriptedDialogs dialogs;
    TestEnvironment environment;
    UrlRecorder urls;
    std::unique_ptr<ui::Form1> form;
};

} // namespace ostrel::test
