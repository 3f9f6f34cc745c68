#include "platform/single_instance.h"

#include "platform/directories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

constexpr QByteArrayView showMessage = "show\n";

// Longer than any launch takes from creating its lock file to writing it.
constexpr qint64 creationMomentMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), folder(dataFolder)
{
    serverName = QStringLiteral("tockles-") + platform::dataFolderKey(dataFolder);
    // The user's own runtime folder where the session has one, rather than the shared /tmp.
    if (const std::optional<QString> runtime = platform::runtimeDirectory())
        serverName = QDir(*runtime).filePath(serverName);
    connect(&server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    // Without a folder there is nothing to share, and nothing to guard.
    if (folder.isEmpty())
        return true;
    if (QDir().mkpath(folder)) {
        lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("tockles.lock")));
        // Only a lock whose process has died is stale. Qt's default of 30 s is safe where the
        // file system honours advisory locks, but on one that does not (NFS) it would let a
        // second launch take a long-running instance's lock.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0) && lock->error() == QLockFile::LockFailedError) {
            // Qt keeps a lock it cannot read; sync tools, restores and fsck leave such files.
            if (!lockNamesNoOtherProcess() && askRunningInstance(3000))
                return false;
            // Judged again: a file too new to judge before is old enough once nobody has answered.
            if (lockNamesNoOtherProcess()) {
                QFile::remove(lock->fileName());
                lock->tryLock(0);
            }
        }
    }
    // An instance may run without the lock file: it went with the data folder, removed and made
    // again, or there was none to be had (a folder linked into a drive not mounted yet, or
    // read-only). One still listening is asked, as for a held lock; nobody listening answers at
    // once.
    if (askRunningInstance(0)) {
        if (lock)
            lock->unlock();
        return false;
    }
    // Where no lock can be had and no instance answers, run all the same, a start never silently
    // doing nothing, and listen, so that later starts find this one.
    QLocalServer::removeServer(serverName); // left by an instance that crashed
    server.setSocketOptions(QLocalServer::UserAccessOption);
    server.listen(serverName);
    return true;
}

bool SingleInstance::lockNamesNoOtherProcess() const
{
#ifdef Q_OS_UNIX
    // A running holder keeps an advisory lock on the file; a file left behind has none.
    const int fd = ::open(QFile::encodeName(lock->fileName()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            return false;
    }
#endif
    // Another launch creates the file, then locks it, then writes who it is: a file that new
    // may be one not yet locked or written, and taking it over would leave two instances.
    const qint64 age = QFileInfo(lock->fileName()).lastModified().msecsTo(QDateTime::currentDateTime());
    if (age > -creationMomentMs && age < creationMomentMs)
        return false;
    qint64 pid = 0;
    QString host;
    QString application;
    // Empty or garbled, or our own process id: an earlier boot's, since we hold no lock yet.
    // Or another computer's, brought along by a sync tool: its process is not one of ours.
    return !lock->getLockInfo(&pid, &host, &application) || pid <= 0
           || pid == QCoreApplication::applicationPid() || (!host.isEmpty() && host != QSysInfo::machineHostName());
}

bool SingleInstance::askRunningInstance(int patienceMs)
{
    // The other instance may have just taken the lock and not be listening yet.
    const QDeadlineTimer deadline(patienceMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (socket.waitForConnected(250)) {
            socket.write(showMessage.data(), showMessage.size());
            const bool sent = socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return sent;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
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
