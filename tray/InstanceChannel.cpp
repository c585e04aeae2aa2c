#include "tray/InstanceChannel.h"

#include "platform/Logger.h"

#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QByteArray kSettingsRequest = "settings\n";
const QByteArray kAnswer = "ok\n";
// A request is one short line; anything longer is not from this program.
constexpr qint64 kLongestRequest = 64;

} // namespace

InstanceChannel::InstanceChannel(const QString& programName, QObject* parent)
    : QObject(parent), m_path(socketPath(programName))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceChannel::answer);
}

QString InstanceChannel::socketPath(const QString& programName)
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') +
           programName + QStringLiteral(".socket");
}

bool InstanceChannel::listen()
{
    QLocalServer::removeServer(m_path);
    if (m_server.listen(m_path))
        return true;
    Logger::info(QStringLiteral("a second start cannot reach this program: %1").arg(m_server.errorString()));
    return false;
}

void InstanceChannel::answer()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        QPointer<QLocalSocket> client(socket);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that says nothing useful in time is dropped.
        QTimer::singleShot(2000, socket, [client] {
            if (client)
                client->abort();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, client] {
            if (!client)
                return;
            if (!client->canReadLine()) {
                if (client->bytesAvailable() > kLongestRequest)
                    client->abort();
                return;
            }
            const QByteArray request = client->readLine(kLongestRequest);
            if (request == kSettingsRequest) {
                Logger::info(QStringLiteral("another start asks for the settings window"));
                client->write(kAnswer);
                client->flush();
                Q_EMIT settingsRequested();
            }
            client->disconnectFromServer();
        });
    }
}

bool InstanceChannel::askRunning(const QString& programName, int timeoutMilliseconds)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(programName));
    if (!socket.waitForConnected(timeoutMilliseconds))
        return false;
    socket.write(kSettingsRequest);
    if (!socket.waitForBytesWritten(timeoutMilliseconds))
        return false;
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() < kLongestRequest &&
           socket.waitForReadyRead(timeoutMilliseconds))
        reply += socket.readAll();
    return reply == kAnswer;
}
