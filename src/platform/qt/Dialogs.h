#pragma once

#include <QMessageBox>
#include <QString>

#include <optional>

class QWidget;

namespace ostrel::platform {

// Every message box and input box of the program goes through the current Dialogs object. The
// default object shows real modal Qt dialogs; a test installs its own object to answer them.
class Dialogs {
public:
    Dialogs() = default;
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;
    virtual ~Dialogs() = default;

    // A modal message box. The text may break lines with CR, LF or CR LF, as the Windows message
    // box does. Returns the button pressed; closing the box with Escape or its close button
    // answers Cancel when the box has a Cancel button (else No, else OK).
    virtual QMessageBox::StandardButton MsgBox(QWidget* parent, const QString& text,
                                               QMessageBox::Icon icon,
                                               QMessageBox::StandardButtons buttons,
                                               const QString& title);

    // A modal input box with one line of text. Cancel gives std::nullopt, which is told apart
    // from OK on an empty text (an empty string).
    virtual std::optional<QString> InputBox(QWidget* parent, const QString& prompt,
                                            const QString& title, const QString& defaultText);

    // The object in use. Install(nullptr) goes back to the real dialogs; the installed object
    // is not owned and must outlive its use.
    static Dialogs& Current();
    static void Install(Dialogs* dialogs);

    // CR LF and lone CR become LF, so that Qt's labels break lines where Windows would.
    static QString DisplayText(const QString& text);
};

} // namespace ostrel::platform
