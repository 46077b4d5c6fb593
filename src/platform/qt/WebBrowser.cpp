#include "WebBrowser.h"

#include "Desktop.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace ostrel::platform {

namespace {

bool networkEnabled = true;

// A page that does not answer within this time is given up.
constexpr int TransferTimeoutMs = 30000;

// A local page is read up to this size; the title sits near its beginning.
constexpr qint64 LocalPageLimit = qint64{256} * 1024;

// The text of the page's <title> element, blanks collapsed; empty when there is none.
QString PageTitle(const QByteArray& page) {
    const QString text = QString::fromUtf8(page);
    const qsizetype open = text.indexOf(QLatin1String("<title"), 0, Qt::CaseInsensitive);
    if (open < 0) {
        return {};
    }
    const qsizetype start = text.indexOf(QLatin1Char('>'), open);
    const qsizetype end = text.indexOf(QLatin1String("</title"), open, Qt::CaseInsensitive);
    if (start < 0 || end < start) {
        return {};
    }
    return text.mid(start + 1, end - start - 1).simplified();
}

} // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool WebBrowser::Navigate(const QUrl& address) {
    m_Location = address;
    m_LocationName.clear();
    if (!address.isValid()) {
        return false;
    }
    if (address.isLocalFile()) {
        // Only a regular file is read: a pipe or a device in its place could block for ever.
        const QString path = address.toLocalFile();
        QFile page(path);
        if (!QFileInfo(path).isFile() || !page.open(QIODevice::ReadOnly)) {
            return false;
        }
        m_LocationName = PageTitle(page.read(LocalPageLimit));
        return true;
    }
    const QString scheme = address.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        return Desktop::OpenUrl(address);
    }
    if (!networkEnabled) {
        return true;
    }
    if (m_Network == nullptr) {
        m_Network = new QNetworkAccessManager(this);
    }
    QNetworkRequest request(address);
    request.setTransferTimeout(TransferTimeoutMs);
    QNetworkReply* const reply = m_Network->get(request);
    // The page is loaded for its own sake: its content and every error are dropped.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    ++m_RequestCount;
    return true;
}

void WebBrowser::SetNetworkEnabled(bool enabled) {
    networkEnabled = enabled;
}

bool WebBrowser::NetworkEnabled() {
    return networkEnabled;
}

} // namespace ostrel::platform
