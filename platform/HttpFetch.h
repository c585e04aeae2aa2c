#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

class QNetworkReply;

// One HTTP GET that does not block: the answer comes later through finished, on the thread that made
// the fetch, while the program goes on handling its events. The answer is the body whatever the
// HTTP status (an error page is data); no answer for a malformed or non-HTTP URL, a failed connection, a
// reply cut short, or when the whole exchange takes longer than the time-out.
//
// Deleting the fetch cancels it; finished is then never emitted.
class HttpFetch : public QObject
{
    Q_OBJECT

public:
    explicit HttpFetch(QObject* parent = nullptr);
    ~HttpFetch() override;

    // Starts the GET. finished is emitted exactly once, never from inside this call. Nothing is
    // cached, so every fetch reads a fresh copy.
    void get(const QString& url, std::chrono::milliseconds timeout);

Q_SIGNALS:
    void finished(bool answered, const QByteArray& body);

private:
    void replyFinished();
    void finish(bool answered, const QByteArray& body);

    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    bool m_done = false;
};
