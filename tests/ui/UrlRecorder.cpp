#include "UrlRecorder.h"

#include <QDesktopServices>

namespace ostrel::test {

namespace {
const char* const Schemes[] = {"http", "https", "tencent"};
} // namespace

UrlRecorder::UrlRecorder() {
    for (const char* scheme : Schemes) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
}

UrlRecorder::~UrlRecorder() {
    for (const char* scheme : Schemes) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

void UrlRecorder::Open(const QUrl& url) {
    m_Opened.push_back(url);
}

} // namespace ostrel::test
