#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ostrel::platform {

namespace {
bool clipboardLocked = false;
} // namespace

bool Clipboard::SetBitmap(const QImage& bitmap) {
    QClipboard* const clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || clipboardLocked || bitmap.isNull()) {
        return false;
    }
    clipboard->clear();
    clipboard->setImage(bitmap);
    // the window system may have refused the new owner (X11 does when another client took the
    // selection later): then the content is somebody else's
    const QMimeData* const content = clipboard->mimeData();
    return content != nullptr && content->hasImage();
}

void Clipboard::SetLocked(bool locked) {
    clipboardLocked = locked;
}

} // namespace ostrel::platform
