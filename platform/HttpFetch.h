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
// reply cut short, when the whole exchange takes longer than the time-out, or when the body is larger
// than kMaxBodyBytes (logged): the lists it fetches are a few lines, and a server must not be able to
// make the program hold more.
//
// Deleting the fetch cancels it; finished is then never emitted.
class HttpFetch : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxBodyBytes = 64 * 1024;

    explicit HttpFetch(QObject* parent = nullptr);
    ~HttpFetch() override;

    // Starts the GET. finished is emitted exactly once, never from inside this call. Nothing is
    // cached, so every fetch reads a fresh copy.
    void get(const QString& url, std::chrono::milliseconds timeout);

Q_SIGNALS:
    void finished(bool answered, const QByteArray& body);

private:
    void replyFinished();
    void bodyGrew();
    void finish(bool answered, const QByteArray& body);

    QNetworkAccessManager m_manager;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    bool m_tooLarge = false;
    bool m_done = false;
};
