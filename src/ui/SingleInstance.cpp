#include "ui/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace quorlix::ui
{

namespace
{

constexpr char kShowRequest[] = "show\n";

} // namespace

SingleInstance::SingleInstance(const QString& folder)
{
    QString dir = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder;
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    m_lock = std::make_unique<QLockFile>(dir + QStringLiteral("/quorlix.lock"));
    // A live owner keeps the lock however long it runs; a dead one loses it.
    m_lock->setStaleLockTime(0);
    m_socketName = dir + QStringLiteral("/quorlix.socket");
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    if (!m_lock->tryLock(0))
        return false;
    // The lock is ours, so a socket file left there is a crashed program's.
    QLocalServer::removeServer(m_socketName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->canReadLine() && socket->readLine() == kShowRequest)
                    emit showRequested();
                socket->disconnectFromServer();
            });
        }
    });
    // Without the socket the program still runs; a second start then only says so.
    (void)m_server->listen(m_socketName);
    return true;
}

bool SingleInstance::askToShow(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running program hangs up once it has read the request.
    if (socket.state() == QLocalSocket::ConnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

} // namespace quorlix::ui
