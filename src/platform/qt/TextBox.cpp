#include "TextBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace ostrel::platform {

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // the document tells of a change before its layout hears of it: the new wrapping is in place
    // when the new text is laid out
    connect(document(), &QTextDocument::contentsChange, this, [this] {
        if (!m_SettingText) {
            FitWrapModeToLength(document()->characterCount());
        }
    });
}

void TextBox::FitWrapModeToLength(qsizetype length) {
    const QTextOption::WrapMode mode = length > LongTextLength
                                           ? QTextOption::WrapAnywhere
                                           : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (wordWrapMode() != mode) {
        setWordWrapMode(mode);
    }
}

QString TextBox::Text() const {
    // the raw text keeps what was typed (toPlainText would turn no-break spaces into blanks);
    // blocks are separated by U+2029
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    m_BuiltUnits += text.size();
    return text;
}

void TextBox::SetText(const QString& text) {
    // setPlainText empties the document, tells of that, and lays the new text out before it tells
    // of the new text. A long text must find wrapping anywhere in place when it comes; wrapping at
    // word boundaries must wait until the old text has gone, else the old text is laid out again
    // word by word.
    if (text.size() > LongTextLength) {
        FitWrapModeToLength(text.size());
    }
    {
        const QScopedValueRollback<bool> setting(m_SettingText, true);
        setPlainText(text);
    }
    FitWrapModeToLength(document()->characterCount());
}

qsizetype TextBox::TextLength() const {
    const QTextDocument* const doc = document();
    // the document counts one separator per block, the last one included; CR LF counts two
    return doc->characterCount() - 1 + (doc->blockCount() - 1);
}

int TextBox::ToDocumentPosition(int textPosition) const {
    const QTextBlock block = document()->findBlockByNumber(0);
    int remaining = std::max(textPosition, 0);
    for (QTextBlock b = block; b.isValid(); b = b.next()) {
        const int lineLength = b.length() - 1; // without the block's break
        if (remaining <= lineLength || !b.next().isValid()) {
            return b.position() + std::min(remaining, lineLength);
        }
        remaining -= lineLength + 2; // the line and its CR LF
        if (remaining < 0) {
            // inside the CR LF pair: the caret goes before the break
            return b.position() + lineLength;
        }
    }
    return 0;
}

int TextBox::ToTextPosition(int documentPosition) const {
    const QTextBlock block = document()->findBlock(documentPosition);
    return documentPosition + std::max(block.blockNumber(), 0);
}

int TextBox::SelStart() const {
    return ToTextPosition(textCursor().selectionStart());
}

int TextBox::SelLength() const {
    const QTextCursor cursor = textCursor();
    return ToTextPosition(cursor.selectionEnd()) - ToTextPosition(cursor.selectionStart());
}

void TextBox::SetSelStart(int start) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(ToDocumentPosition(start));
    setTextCursor(cursor);
}

void TextBox::SetSelLength(int length) {
    QTextCursor cursor = textCursor();
    const int start = ToTextPosition(cursor.selectionStart());
    cursor.setPosition(ToDocumentPosition(start));
    cursor.setPosition(ToDocumentPosition(start + std::max(length, 0)), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers().testFlag(Qt::ShiftModifier)) {
        // a line break like any other, not the editor's line separator U+2028
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text(), event->isAutoRepeat(), event->count());
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TextBox::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        emit GotFocus();
    }
}

} // namespace ostrel::platform
