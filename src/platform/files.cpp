#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

bool syncFile(QFileDevice& file)
{
#ifdef Q_OS_UNIX
    return file.flush() && ::fsync(file.handle()) == 0;
#else
    return file.flush();
#endif
}

// The rename is only durable once the folder entry itself is on disk.
bool syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

} // namespace

ReadResult readWholeFile(const QString& path, qsizetype spare)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {ReadStatus::missing, {}};
    if (!info.isFile())
        return {ReadStatus::failed, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {info.exists() ? ReadStatus::failed : ReadStatus::missing, {}};
    const qint64 size = file.size();
    QByteArray bytes;
    bytes.reserve(qsizetype(size) + spare);
    bytes.resize(qsizetype(size));
    if (file.read(bytes.data(), size) != size || !file.atEnd())
        return {ReadStatus::failed, {}};
    return {ReadStatus::ok, std::move(bytes)};
}

bool pathExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool createDirectories(const QString& path)
{
    return QDir().mkpath(path);
}

bool replaceFileDurably(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !syncFile(file)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool renameNoReplace(const QString& from, const QString& to)
{
    // QFile::rename refuses an existing target.
    return QFile::rename(from, to);
}

} // namespace platform
