#pragma once

#include <QString>
#include <QUrl>

class QObject;

namespace ostrel::platform {

// Hands addresses to the desktop: web addresses to the default browser, local files to the
// program that shows them, other schemes (such as the messenger's "tencent") to the handler
// registered for them.
//
// On the free desktops Qt hands every address to xdg-open and reports success as soon as that
// started, whether or not any program takes the scheme; so for schemes other than http, https
// and file the desktop's handler is looked up first (xdg-mime), and an address that no program
// takes is refused. Handlers set through SetUrlHandler take precedence over the desktop's, as
// they do in QDesktopServices; tests capture the addresses with them.
class Desktop {
public:
    // False when the address is not valid, when no program takes its scheme, or when the desktop
    // (or the handler set for the scheme) refused it.
    static bool OpenUrl(const QUrl& url);

    // QDesktopServices::setUrlHandler and unsetUrlHandler, remembering the scheme, so that its
    // addresses go to that handler without asking the desktop for one.
    static void SetUrlHandler(const QString& scheme, QObject* receiver, const char* method);
    static void UnsetUrlHandler(const QString& scheme);

    // Whether the desktop has a program for the scheme's addresses. True for http, https and
    // file, and wherever the desktop cannot be asked (the open itself then tells).
    static bool SchemeHasHandler(const QString& scheme);
};

} // namespace ostrel::platform
