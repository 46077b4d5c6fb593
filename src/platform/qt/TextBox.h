#pragma once

#include <QPlainTextEdit>

namespace ostrel::platform {

// A multi-line text box whose text breaks lines with CR LF, as the Windows text box does:
// Text() gives every line break as the pair CR LF whatever was typed or pasted, and SetText takes
// CR LF, LF or CR. Selection positions and lengths count in UTF-16 code units of that text, a
// line break counting two. Tab moves the focus on; Shift+Return breaks the line like Return; the
// vertical scroll bar is always shown.
//
// Lines wrap at word boundaries, a word wider than the box anywhere. A text longer than
// LongTextLength wraps anywhere: Qt's word-boundary wrapping scans the rest of an unbroken word for
// every line it lays out, so a pasted line of a million letters would take minutes to show, and a
// few megabytes hours. No text that long fits a symbol, so its look hardly matters.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int LongTextLength = 16384;

    explicit TextBox(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    // The length of Text() in UTF-16 code units, without building it.
    qsizetype TextLength() const;
    // UTF-16 code units that Text() has built over the box's life: lets a caller (and its tests)
    // see that a huge text was measured rather than copied.
    qsizetype BuiltUnits() const { return m_BuiltUnits; }

    int SelStart() const;
    int SelLength() const;
    // Sets the caret to start and removes the selection; a value beyond the text's end puts the
    // caret at the end.
    void SetSelStart(int start);
    // Selects length code units from the current selection start.
    void SetSelLength(int length);

signals:
    // The box received the input focus from the user or from code (not from returning to the
    // window or from closing a menu).
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Chooses the wrapping for a text of this length; runs on every change of the document,
    // before the change is laid out.
    void FitWrapModeToLength(qsizetype length);

    // Positions in Text() and in the document differ by one per line break before them.
    int ToDocumentPosition(int textPosition) const;
    int ToTextPosition(int documentPosition) const;

    bool m_SettingText = false;
    mutable qsizetype m_BuiltUnits = 0;
};

} // namespace ostrel::platform
