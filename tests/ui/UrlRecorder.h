#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace ostrel::test {

// Takes over the desktop's handlers for web addresses, local files and messenger addresses and
// records what the program asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    UrlRecorder();
    ~UrlRecorder() override;

    const QList<QUrl>& Opened() const { return m_Opened; }

public slots:
    void Open(const QUrl& url);

private:
    QList<QUrl> m_Opened;
};

} // namespace ostrel::test
