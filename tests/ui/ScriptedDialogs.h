#pragma once

#include "Dialogs.h"

#include <QMessageBox>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace ostrel::test {

// Answers the program's message and input boxes from a script and records every box shown.
// A message box without a scripted answer is answered OK when it has an OK button; otherwise the
// test fails and the box is answered Cancel (or No). An input box without a scripted answer fails
// the test and is cancelled.
class ScriptedDialogs : public platform::Dialogs {
public:
    struct Shown {
        bool input = false; // true for an input box
        QString title;
        QString text; // the message, or the input box's prompt
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString defaultText;
        bool parentVisible = false; // the owner window was on screen when the box came up
        QString parentClass;        // class name of the owner window
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    void Answer(QMessageBox::StandardButton button) { m_Answers.push_back(button); }
    // nullopt answers Cancel
    void AnswerInput(const std::optional<QString>& text) {
        m_InputAnswers.push_back({!text.has_value(), text.value_or(QString())});
    }

    const std::vector<Shown>& Boxes() const { return m_Boxes; }
    const Shown& Last() const;
    // The texts of all message boxes so far, in order.
    std::vector<QString> Texts() const;
    void Clear() { m_Boxes.clear(); }
    bool ScriptUsedUp() const { return m_Answers.empty() && m_InputAnswers.empty(); }

    QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons,
                                       const QString& title) override;
    std::optional<QString> InputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;

private:
    std::vector<Shown> m_Boxes;
    std::deque<QMessageBox::StandardButton> m_Answers;
    struct InputAnswer {
        bool cancel = false;
        QString text;
    };
    std::deque<InputAnswer> m_InputAnswers;
};

} // namespace ostrel::test
