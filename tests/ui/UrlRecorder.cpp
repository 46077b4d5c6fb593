#include "UrlRecorder.h"

#include "Desktop.h"

namespace ostrel::test {

namespace {
const char* const Schemes[] = {"http", "https", "file", "tencent"};
} // namespace

UrlRecorder::UrlRecorder() {
    for (const char* scheme : Schemes) {
        platform::Desktop::SetUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
}

UrlRecorder::~UrlRecorder() {
    for (const char* scheme : Schemes) {
        platform::Desktop::UnsetUrlHandler(QString::fromLatin1(scheme));
    }
}

void UrlRecorder::Open(const QUrl& url) {
    m_Opened.push_back(url);
}

} // namespace ostrel::test
