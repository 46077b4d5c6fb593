#include "Desktop.h"

#include <QDesktopServices>

namespace ostrel::platform {

bool Desktop::OpenUrl(const QUrl& url) {
    if (!url.isValid()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace ostrel::platform
