#include "Desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>

namespace ostrel::platform {

namespace {

QSet<QString>& RegisteredSchemes() {
    static QSet<QString> schemes;
    return schemes;
}

// xdg-mime is a small shell script; one that has not answered by then is not waited for.
constexpr int LookupTimeoutMs = 10000;

} // namespace

bool Desktop::OpenUrl(const QUrl& url) {
    if (!url.isValid()) {
        return false;
    }
    const QString scheme = url.scheme().toLower();
    if (!RegisteredSchemes().contains(scheme) && !SchemeHasHandler(scheme)) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

void Desktop::SetUrlHandler(const QString& scheme, QObject* receiver, const char* method) {
    QDesktopServices::setUrlHandler(scheme, receiver, method);
    RegisteredSchemes().insert(scheme.toLower());
}

void Desktop::UnsetUrlHandler(const QString& scheme) {
    QDesktopServices::unsetUrlHandler(scheme);
    RegisteredSchemes().remove(scheme.toLower());
}

bool Desktop::SchemeHasHandler(const QString& scheme) {
    const QString lower = scheme.toLower();
    if (lower == QLatin1String("http") || lower == QLatin1String("https") ||
        lower == QLatin1String("file")) {
        return true;
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    // The free desktops record a scheme's program as the default application of the MIME type
    // x-scheme-handler/<scheme>; xdg-mime prints its desktop file, or nothing.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) {
        return true;
    }
    QProcess query;
    query.setProcessChannelMode(QProcess::SeparateChannels);
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("x-scheme-handler/") + lower});
    if (!query.waitForFinished(LookupTimeoutMs)) {
        query.kill();
        query.waitForFinished(LookupTimeoutMs);
        return true;
    }
    if (query.exitStatus() != QProcess::NormalExit) {
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
#else
    // Windows and macOS refuse an address that no program takes: the open itself tells.
    return true;
#endif
}

} // namespace ostrel::platform
