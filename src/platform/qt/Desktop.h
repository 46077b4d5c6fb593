#pragma once

#include <QUrl>

namespace ostrel::platform {

// Hands addresses to the desktop: web addresses to the default browser, other schemes (such as
// the messenger's "tencent") to the handler registered for them. Tests capture the addresses with
// QDesktopServices::setUrlHandler.
class Desktop {
public:
    // False when no handler took the address; the callers do not report it.
    static bool OpenUrl(const QUrl& url);
};

} // namespace ostrel::platform
