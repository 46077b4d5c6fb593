#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace ostrel::platform {

void Clipboard::SetBitmap(const QImage& bitmap) {
    QClipboard* const clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return;
    }
    clipboard->clear();
    clipboard->setImage(bitmap);
}

} // namespace ostrel::platform
