#include "platform/HttpFetch.h"

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
    connect(m_reply, &QNetworkReply::finished, this, &HttpFetch::replyFinished);
    m_deadline.start(milliseconds);
}

void HttpFetch::replyFinished()
{
    m_deadline.stop();
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    const bool responded = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const bool answered = responded && carriesResponse(reply->error());
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
