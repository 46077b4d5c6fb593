#include "Dialogs.h"

#include <QAbstractButton>
#include <QInputDialog>

#include <utility>

namespace ostrel::platform {

namespace {

Dialogs* installedDialogs = nullptr;

QMessageBox::StandardButton EscapeAnswer(QMessageBox::StandardButtons buttons) {
    if (buttons.testFlag(QMessageBox::Cancel)) {
        return QMessageBox::Cancel;
    }
    if (buttons.testFlag(QMessageBox::No)) {
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// Button captions as a Simplified-Chinese Windows shows them, whatever Qt translations are
// installed.
void SetChineseCaptions(QMessageBox& box) {
    const std::pair<QMessageBox::StandardButton, const char16_t*> captions[] = {
        {QMessageBox::Ok, u"确定"},
        {QMessageBox::Yes, u"是(&Y)"},
        {QMessageBox::No, u"否(&N)"},
        {QMessageBox::Cancel, u"取消"},
    };
    for (const auto& [button, caption] : captions) {
        if (QAbstractButton* const b = box.button(button)) {
            b->setText(QString::fromUtf16(caption));
        }
    }
}

} // namespace

QMessageBox::StandardButton Dialogs::MsgBox(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons,
                                            const QString& title) {
    QMessageBox box(icon, title, DisplayText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    SetChineseCaptions(box);
    const QMessageBox::StandardButton escape = EscapeAnswer(buttons);
    if (QAbstractButton* const escapeButton = box.button(escape)) {
        box.setEscapeButton(escapeButton);
    }
    const int answer = box.exec();
    if (box.clickedButton() == nullptr) {
        return escape;
    }
    return static_cast<QMessageBox::StandardButton>(answer);
}

std::optional<QString> Dialogs::InputBox(QWidget* parent, const QString& prompt,
                                         const QString& title, const QString& defaultText) {
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

Dialogs& Dialogs::Current() {
    static Dialogs realDialogs;
    return installedDialogs != nullptr ? *installedDialogs : realDialogs;
}

void Dialogs::Install(Dialogs* dialogs) {
    installedDialogs = dialogs;
}

QString Dialogs::DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    return shown;
}

} // namespace ostrel::platform
