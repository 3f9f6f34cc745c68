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

struct DurableFileWriter::Private {
    explicit Private(const QString& path) : file(path) {}
    QSaveFile file;
    qint64 written = 0;
    qint64 handedToDisk = 0;
};

DurableFileWriter::DurableFileWriter(const QString& path) : d(new Private(path)) {}

DurableFileWriter::~DurableFileWriter()
{
    if (d->file.isOpen())
        d->file.cancelWriting();
    delete d;
}

bool DurableFileWriter::open()
{
    return d->file.open(QIODevice::WriteOnly);
}

bool DurableFileWriter::write(const char* data, qsizetype size)
{
    if (d->file.write(data, size) != size) {
        d->file.cancelWriting();
        return false;
    }
    d->written += size;
#ifdef Q_OS_LINUX
    // Let the disk work on the chunks already written while the caller makes the next ones.
    if (d->file.flush()) {
        ::sync_file_range(d->file.handle(), d->handedToDisk, d->written - d->handedToDisk,
                          SYNC_FILE_RANGE_WRITE);
        d->handedToDisk = d->written;
    }
#endif
    return true;
}

bool DurableFileWriter::commit()
{
    if (!d->file.isOpen() || !syncFile(d->file)) {
        d->file.cancelWriting();
        return false;
    }
    if (!d->file.commit())
        return false;
    syncFolder(QFileInfo(d->file.fileName()).absolutePath());
    return true;
}

bool replaceFileDurably(const QString& path, const QByteArray& bytes)
{
    DurableFileWriter writer(path);
    return writer.open() && writer.write(bytes.constData(), bytes.size()) && writer.commit();
}

bool renameNoReplace(const QString& from, const QString& to)
{
    // QFile::rename refuses an existing target.
    return QFile::rename(from, to);
}

} // namespace platform
