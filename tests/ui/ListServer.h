#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

// A small HTTP server on 127.0.0.1 in the test's own thread: each path answers with its status and
// body; a path without one is never answered.
class ListServer : public QObject
{
public:
    ListServer() { connect(&m_server, &QTcpServer::newConnection, this, &ListServer::accept); }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    void serve(const QByteArray& path, const QByteArray& body, const QByteArray& status = "200 OK")
    {
        m_replies.insert(path, "HTTP/1.1 " + status + "\r\nContent-Length: " +
                                   QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    }
    int requests() const { return m_requests; }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                QByteArray& head = m_received[socket];
                head += socket->readAll();
                if (!head.contains("\r\n\r\n"))
                    return;
                ++m_requests;
                const QByteArray path = head.split(' ').value(1);
                if (!m_replies.contains(path))
                    return; // never answered
                socket->write(m_replies.value(path));
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer m_server;
    QHash<QByteArray, QByteArray> m_replies;
    QHash<QTcpSocket*, QByteArray> m_received;
    int m_requests = 0;
};
