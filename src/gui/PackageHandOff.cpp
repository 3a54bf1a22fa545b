#include "gui/PackageHandOff.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace fendrel::gui {
namespace {

constexpr int kWaitMs = 2000;
constexpr qint64 kLongestPath = 64 * 1024;

// One name per data folder and user, short enough for any socket path.
QString serverName(const QString &dataFolder)
{
    const QByteArray folder = QDir(dataFolder).absolutePath().toUtf8();
    return QStringLiteral("fendrel-") + QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16));
}

} // namespace

PackageHandOff::PackageHandOff(const QString &dataFolder, QObject *parent) : QObject(parent), m_name(serverName(dataFolder)) {}

bool PackageHandOff::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a window that was killed would refuse the name.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine() && client->bytesAvailable() < kLongestPath)
                    return;
                const QString path = QString::fromUtf8(client->readLine(kLongestPath)).trimmed();
                client->write("ok\n");
                client->disconnectFromServer();
                if (!path.isEmpty())
                    Q_EMIT packageHanded(path);
            });
        }
    });
    return true;
}

bool PackageHandOff::handTo(const QString &dataFolder, const QString &packagePath)
{
    QLocalSocket socket;
    socket.connectToServer(serverName(dataFolder));
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(packagePath.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    return socket.waitForReadyRead(kWaitMs) && socket.readLine().startsWith("ok");
}

} // namespace fendrel::gui
