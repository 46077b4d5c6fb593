#include "ScriptedDialogs.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace ostrel::test {

namespace {

void Describe(ScriptedDialogs::Shown& shown, QWidget* parent) {
    if (parent != nullptr) {
        shown.parentVisible = parent->window()->isVisible();
        shown.parentClass = QString::fromLatin1(parent->window()->metaObject()->className());
    }
}

} // namespace

ScriptedDialogs::ScriptedDialogs() {
    platform::Dialogs::Install(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    platform::Dialogs::Install(nullptr);
}

const ScriptedDialogs::Shown& ScriptedDialogs::Last() const {
    static const Shown none;
    return m_Boxes.empty() ? none : m_Boxes.back();
}

std::vector<QString> ScriptedDialogs::Texts() const {
    std::vector<QString> texts;
    for (const Shown& box : m_Boxes) {
        if (!box.input) {
            texts.push_back(box.text);
        }
    }
    return texts;
}

QMessageBox::StandardButton ScriptedDialogs::MsgBox(QWidget* parent, const QString& text,
                                                    QMessageBox::Icon icon,
                                                    QMessageBox::StandardButtons buttons,
                                                    const QString& title) {
    Shown shown;
    shown.title = title;
    shown.text = text;
    shown.icon = icon;
    shown.buttons = buttons;
    Describe(shown, parent);
    m_Boxes.push_back(shown);

    if (!m_Answers.empty()) {
        const QMessageBox::StandardButton answer = m_Answers.front();
        m_Answers.pop_front();
        EXPECT_TRUE(buttons.testFlag(answer))
            << "scripted answer is not a button of the box " << text.toStdString();
        return answer;
    }
    if (buttons.testFlag(QMessageBox::Ok)) {
        return QMessageBox::Ok;
    }
    ADD_FAILURE() << "no scripted answer for the message box " << text.toStdString();
    return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
}

std::optional<QString> ScriptedDialogs::InputBox(QWidget* parent, const QString& prompt,
                                                 const QString& title, const QString& defaultText) {
    Shown shown;
    shown.input = true;
    shown.title = title;
    shown.text = prompt;
    shown.defaultText = defaultText;
    Describe(shown, parent);
    m_Boxes.push_back(shown);

    if (m_InputAnswers.empty()) {
        ADD_FAILURE() << "no scripted answer for the input box " << prompt.toStdString();
        return std::nullopt;
    }
    const InputAnswer answer = m_InputAnswers.front();
    m_InputAnswers.pop_front();
    if (answer.cancel) {
        return std::nullopt;
    }
    return answer.text;
}

} // namespace ostrel::test
