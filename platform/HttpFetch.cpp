#include "platform/HttpFetch.h"

#include "platform/Logger.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace {

// Errors that still carry the server's response (as the synchronous fetch counts them).
bool carriesResponse(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError ||
           (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

} // namespace

HttpFetch::HttpFetch(QObject* parent) : QObject(parent)
{
    m_manager.setCache(nullptr);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort(); // finishes the reply without an answer
    });
}

HttpFetch::~HttpFetch()
{
    m_done = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void HttpFetch::get(const QString& url, std::chrono::milliseconds timeout)
{
    const QUrl target(url, QUrl::StrictMode);
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        target.host().isEmpty()) {
        QTimer::singleShot(0, this, [this] { finish(false, {}); });
        return;
    }
    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    const int milliseconds = static_cast<int>(
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, std::numeric_limits<int>::max()));
    request.setTransferTimeout(milliseconds);
    m_reply = m_manager.get(request);
    // Qt stops reading from the connection once this much waits unread, so a larger body never
    // reaches memory; one byte more than the limit tells that it is too large.
    m_reply->setReadBufferSize(kMaxBodyBytes + 1);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpFetch::bodyGrew);
    connect(m_reply, &QNetworkReply::finished, this, &HttpFetch::replyFinished);
    m_deadline.start(milliseconds);
}

void HttpFetch::bodyGrew()
{
    if (!m_reply || m_reply->bytesAvailable() <= kMaxBodyBytes)
        return;
    Logger::info(QStringLiteral("the answer of %1 is larger than %2 bytes; it is not read")
                     .arg(m_reply->url().toString())
                     .arg(kMaxBodyBytes));
    m_tooLarge = true;
    m_reply->abort(); // finishes the reply without an answer
}

void HttpFetch::replyFinished()
{
    m_deadline.stop();
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    const bool responded = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const bool answered = responded && carriesResponse(reply->error()) && !m_tooLarge &&
                          reply->bytesAvailable() <= kMaxBodyBytes;
    const QByteArray body = answered ? reply->readAll() : QByteArray();
    reply->deleteLater();
    finish(answered, body);
}

void HttpFetch::finish(bool answered, const QByteArray& body)
{
    if (m_done)
        return;
    m_done = true;
    Q_EMIT finished(answered, body);
}
