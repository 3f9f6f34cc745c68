#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace {

constexpr QByteArrayView showMessage = "show\n";

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), folder(dataFolder)
{
    const QByteArray key = QCryptographicHash::hash(QDir(dataFolder).absolutePath().toUtf8(),
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(20);
    serverName = QStringLiteral("tockles-") + QString::fromLatin1(key);
    // The user's own runtime folder where the session has one, rather than the shared /tmp.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        serverName = QDir(runtime).filePath(serverName);
    connect(&server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    // Without a folder there is nothing to share, and nothing to guard.
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return true;
    lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("tockles.lock")));
    // Only a lock whose process has died is stale. Qt's default of 30 s is safe where the file
    // system honours advisory locks, but on one that does not (NFS) it would let a second
    // launch take a long-running instance's lock.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            askRunningInstance();
            return false;
        }
        return true; // the folder cannot hold a lock file: run unguarded rather than not at all
    }
    QLocalServer::removeServer(serverName); // left by an instance that crashed
    server.setSocketOptions(QLocalServer::UserAccessOption);
    server.listen(serverName);
    return true;
}

bool SingleInstance::askRunningInstance()
{
    // The other instance may have just taken the lock and not be listening yet.
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (socket.waitForConnected(250)) {
            socket.write(showMessage.data(), showMessage.size());
            const bool sent = socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return sent;
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto readRequests = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == showMessage)
                    Q_EMIT showRequested();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        readRequests();
    }
}
