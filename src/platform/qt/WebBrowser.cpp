#include "WebBrowser.h"

#include "Desktop.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace ostrel::platform {

namespace {

bool networkEnabled = true;

// A page that does not answer within this time is given up.
constexpr int TransferTimeoutMs = 30000;

} // namespace

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void WebBrowser::Navigate(const QUrl& address) {
    m_Location = address;
    if (!address.isValid()) {
        return;
    }
    const QString scheme = address.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        Desktop::OpenUrl(address);
        return;
    }
    if (!networkEnabled) {
        return;
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
}

void WebBrowser::SetNetworkEnabled(bool enabled) {
    networkEnabled = enabled;
}

bool WebBrowser::NetworkEnabled() {
    return networkEnabled;
}

} // namespace ostrel::platform
