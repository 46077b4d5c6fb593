#pragma once

#include <QUrl>
#include <QWidget>

class QNetworkAccessManager;

namespace ostrel::platform {

// The small web-browser control of the main window. It shows nothing of the page. Navigating to a
// web address (http, https) loads the page in the background, never waited for, and ignores every
// error; a local page (file) is read from the disk, without any network access; any other scheme
// (the messenger's "tencent", for instance) is handed to the desktop, as a browser hands such an
// address to the system's handler.
class WebBrowser : public QWidget {
    Q_OBJECT

public:
    explicit WebBrowser(QWidget* parent = nullptr);

    // A silent browser shows no dialog boxes of its own; this one never does, the property is
    // kept for the callers.
    void SetSilent(bool silent) { m_Silent = silent; }
    bool Silent() const { return m_Silent; }

    // False when the address could not be opened: not valid, a local page that cannot be read,
    // or another scheme that the desktop refused. A web page that is still loading (or that
    // fails later) counts as opened.
    bool Navigate(const QUrl& address);
    // The last address navigated to; empty before the first navigation.
    QUrl LocationURL() const { return m_Location; }
    // The title of the last local page read; empty when it had none or could not be read.
    QString LocationName() const { return m_LocationName; }
    // Page loads started by this control so far (0 while network access is switched off).
    int RequestCount() const { return m_RequestCount; }

    // Network access of all browser controls; on by default. Tests switch it off so that no
    // request leaves the machine.
    static void SetNetworkEnabled(bool enabled);
    static bool NetworkEnabled();

private:
    QNetworkAccessManager* m_Network = nullptr;
    QUrl m_Location;
    QString m_LocationName;
    int m_RequestCount = 0;
    bool m_Silent = false;
};

} // namespace ostrel::platform
