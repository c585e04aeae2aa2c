#include "app/TrevaselCommon.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace {

using namespace std::chrono_literals;

// A tiny HTTP server on 127.0.0.1 that answers every request with one fixed reply (or, when the reply
// is empty, never answers). It runs on the test's thread: the fetch's local event loop serves it.
class LoopbackHttpServer : public QObject
{
public:
    explicit LoopbackHttpServer(QByteArray reply) : m_reply(std::move(reply))
    {
        connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    QByteArray lastRequestHead() const { return m_lastHead; }
    // Closes every connection, now and from now on (the client retries a request whose connection
    // closed before any reply).
    void dropConnections()
    {
        m_dropping = true;
        for (QTcpSocket* socket : findChildren<QTcpSocket*>())
            socket->abort();
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            if (m_dropping) {
                socket->abort();
                continue;
            }
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        }
    }

    void read(QTcpSocket* socket)
    {
        QByteArray& received = m_received[socket];
        received += socket->readAll();
        const qsizetype end = received.indexOf("\r\n\r\n");
        if (end < 0 || m_reply.isEmpty())
            return;
        m_lastHead = received.left(end);
        socket->write(m_reply);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_reply;
    QHash<QTcpSocket*, QByteArray> m_received;
    QByteArray m_lastHead;
    bool m_dropping = false;
};

QByteArray httpReply(const QByteArray& status, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

TEST(NetworkFetch, ReturnsTheWholeBodyOfASuccessfulResponse)
{
    // Larger than one socket read and with every byte value, so a partial or text-mangled read shows.
    QByteArray body;
    for (int i = 0; i < 300000; ++i)
        body.append(static_cast<char>(i % 251));
    LoopbackHttpServer server(httpReply("200 OK", body));
    ASSERT_TRUE(server.listen());

    const std::optional<QByteArray> fetched =
        TrevaselCommon::getNetworkFileByHttp(server.url("/orthavisio/MEinformation.lst"), 10s);

    ASSERT_TRUE(fetched.has_value());
    EXPECT_EQ(fetched->size(), body.size());
    EXPECT_TRUE(*fetched == body);
    EXPECT_TRUE(server.lastRequestHead().startsWith("GET /orthavisio/MEinformation.lst HTTP/1.1"));
}

TEST(NetworkFetch, ReturnsTheBodyOfAnErrorPageAsData)
{
    for (const QByteArray& status : {QByteArray("404 Not Found"), QByteArray("500 Internal Server Error")}) {
        LoopbackHttpServer server(httpReply(status, "<html>" + status + "</html>"));
        ASSERT_TRUE(server.listen());

        const std::optional<QByteArray> fetched = TrevaselCommon::getNetworkFileByHttp(server.url("/x"), 10s);

        ASSERT_TRUE(fetched.has_value()) << status.toStdString();
        EXPECT_EQ(*fetched, "<html>" + status + "</html>");
    }
}

TEST(NetworkFetch, RefusedConnectionGivesNothing)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    EXPECT_FALSE(TrevaselCommon::getNetworkFileByHttp(QStringLiteral("http://127.0.0.1:%1/x").arg(port), 10s)
                     .has_value());
}

TEST(NetworkFetch, ServerThatNeverAnswersTimesOutAfterTheGivenTime)
{
    LoopbackHttpServer silent{QByteArray()};
    ASSERT_TRUE(silent.listen());
    // Bounds the test should the time-out be ignored: the fetch then ends by the dropped connection.
    QTimer::singleShot(10000, &silent, [&silent] { silent.dropConnections(); });
    QElapsedTimer clock;
    clock.start();

    const std::optional<QByteArray> fetched = TrevaselCommon::getNetworkFileByHttp(silent.url("/x"), 300ms);

    EXPECT_FALSE(fetched.has_value());
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST(NetworkFetch, ResponseCutShortGivesNothingRatherThanPartOfTheBody)
{
    LoopbackHttpServer server(
        "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\nonly this");
    ASSERT_TRUE(server.listen());

    EXPECT_FALSE(TrevaselCommon::getNetworkFileByHttp(server.url("/x"), 10s).has_value());
}

TEST(NetworkFetch, MalformedOrNonHttpUrlGivesNothing)
{
    for (const char* url : {"", "not a url", "http://", "http//127.0.0.1/x", "ftp://127.0.0.1/x",
                            "file:///etc/hostname", "http://exa mple.test/x", "http://[::1/x"}) {
        EXPECT_FALSE(TrevaselCommon::getNetworkFileByHttp(QString::fromLatin1(url), 2s).has_value()) << url;
    }
}

} // namespace
