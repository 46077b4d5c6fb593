#include "Dialogs.h"

#include <QInputDialog>
#include <QLineEdit>

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

} // namespace

QMessageBox::StandardButton Dialogs::MsgBox(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons,
                                            const QString& title) {
    QMessageBox box(icon, title, DisplayText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
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
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
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
