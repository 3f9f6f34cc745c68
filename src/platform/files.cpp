#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

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

// A file of the user's own that the user may not read (mode 000 after a restore) gets read
// and write permission for its owner, as every save gives it anyway.
bool grantOwnerAccess(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 0600) == 0600)
        return false;
    return ::chmod(name.constData(), (st.st_mode & 07777) | 0600) == 0;
#else
    Q_UNUSED(path);
    return false;
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
    if (!file.open(QIODevice::ReadOnly) && !(grantOwnerAccess(path) && file.open(QIODevice::ReadOnly)))
        return {info.exists() ? ReadStatus::unavailable : ReadStatus::missing, {}};
    const qint64 size = file.size();
    QByteArray bytes;
    bytes.reserve(qsizetype(size) + spare);
    bytes.resize(qsizetype(size));
    if (file.read(bytes.data(), size) != size || !file.atEnd())
        return {ReadStatus::unavailable, {}};
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

// One name per computer: a save cut short by a crash leaves at most this one file, which the
// next save of the same list removes and makes anew. Computers sharing the folder live (an NFS
// home) each keep to their own, so none removes another's half-written file, or renames it into
// place as its own save.
QString savingFile(const QString& path, const QString& computer)
{
    QString name = computer.isEmpty() ? QSysInfo::machineHostName() : computer;
    for (QChar& c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    if (!name.isEmpty())
        name.prepend(QLatin1Char('.'));
    const QFileInfo file(path);
    return file.absolutePath() + QStringLiteral("/.") + file.fileName() + name + QStringLiteral(".saving");
}

#ifdef Q_OS_UNIX

namespace {

FileIdentity identityOf(const struct stat& st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return identityOf(st);
}

std::optional<FileIdentity> folderIdentity(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return FileIdentity{quint64(st.st_dev), quint64(st.st_ino)};
}

struct DurableFileWriter::Private {
    Private(const QString& path, const QString& computer)
    {
        // A link is followed, so the file it names is replaced and the link stays.
        target = linkTarget(path);
        temp = savingFile(target, computer);
    }
    void abandon()
    {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
            ::unlink(QFile::encodeName(temp).constData());
        }
    }

    QString target;
    QString temp;
    int fd = -1;
    qint64 written = 0;
    std::optional<FileIdentity> committed;
};

DurableFileWriter::DurableFileWriter(const QString& path, const QString& computer)
    : d(new Private(path, computer))
{
}

DurableFileWriter::~DurableFileWriter()
{
    d->abandon();
    delete d;
}

bool DurableFileWriter::open()
{
    const QByteArray temp = QFile::encodeName(d->temp);
    // A leftover of any owner or mode is removed, never reused: created afresh and exclusively,
    // the file is ours, with the umask's permissions rather than a copy of the old file's (a
    // mode 000 file would otherwise pass its mode on, and the next save could not read it).
    ::unlink(temp.constData());
    d->fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    // The new file keeps the permissions the user gave the one it replaces (readable by them
    // alone, say), while they can still read and write it.
    struct stat old;
    if (d->fd >= 0 && ::stat(QFile::encodeName(d->target).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(d->fd, (old.st_mode & 0777) | S_IRUSR | S_IWUSR);
    return d->fd >= 0;
}

bool DurableFileWriter::write(const char* data, qsizetype size)
{
    if (d->fd < 0)
        return false;
    const qint64 start = d->written;
    while (size > 0) {
        const ssize_t n = ::write(d->fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            d->abandon();
            return false;
        }
        data += n;
        size -= n;
        d->written += n;
    }
#ifdef Q_OS_LINUX
    // Let the disk work on this chunk while the caller makes the next one.
    ::sync_file_range(d->fd, start, d->written - start, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(start);
#endif
    return true;
}

bool DurableFileWriter::copyPrefix(const QString& source, qint64 length)
{
    if (d->fd < 0)
        return false;
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        d->abandon();
        return false;
    }
    off64_t from = 0;
    qint64 left = length;
#ifdef Q_OS_LINUX
    while (left > 0) {
        const ssize_t n = ::copy_file_range(in, &from, d->fd, nullptr, size_t(left), 0);
        if (n <= 0)
            break; // not supported here, or the source is shorter: the loop below decides
        left -= n;
    }
    if (from > 0) {
        ::sync_file_range(d->fd, d->written, from, SYNC_FILE_RANGE_WRITE);
        d->written += from;
    }
#endif
    char buffer[1 << 16];
    while (left > 0) {
        const ssize_t n = ::pread(in, buffer, size_t(std::min<qint64>(left, sizeof buffer)), from);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !write(buffer, qsizetype(n))) {
            ::close(in);
            d->abandon();
            return false;
        }
        from += n;
        left -= n;
    }
    ::close(in);
    return true;
}

std::optional<FileIdentity> DurableFileWriter::committed() const
{
    return d->committed;
}

bool DurableFileWriter::commit()
{
    if (d->fd < 0)
        return false;
    struct stat st;
    if (::fsync(d->fd) != 0 || ::fstat(d->fd, &st) != 0) {
        d->abandon();
        return false;
    }
    const bool closed = ::close(d->fd) == 0;
    d->fd = -1;
    const QByteArray temp = QFile::encodeName(d->temp);
    if (!closed || ::rename(temp.constData(), QFile::encodeName(d->target).constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    syncFolder(QFileInfo(d->target).absolutePath());
    d->committed = identityOf(st);
    return true;
}

#else

std::optional<FileIdentity> fileIdentity(const QString&)
{
    return std::nullopt;
}

std::optional<FileIdentity> folderIdentity(const QString& path)
{
    return QFileInfo(path).isDir() ? std::optional<FileIdentity>(FileIdentity{}) : std::nullopt;
}

struct DurableFileWriter::Private {
    explicit Private(const QString& path) : file(path) {}
    QSaveFile file;
};

DurableFileWriter::DurableFileWriter(const QString& path, const QString&) : d(new Private(path)) {}

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
    if (d->file.write(data, size) == size)
        return true;
    d->file.cancelWriting();
    return false;
}

bool DurableFileWriter::copyPrefix(const QString& source, qint64 length)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        d->file.cancelWriting();
        return false;
    }
    const QByteArray bytes = in.read(length);
    return bytes.size() == length && write(bytes.constData(), bytes.size());
}

bool DurableFileWriter::commit()
{
    return d->file.isOpen() && d->file.flush() && d->file.commit();
}

std::optional<FileIdentity> DurableFileWriter::committed() const
{
    return std::nullopt;
}

#endif

bool replaceFileDurably(const QString& path, const QByteArray& bytes)
{
    DurableFileWriter writer(path);
    return writer.open() && writer.write(bytes.constData(), bytes.size()) && writer.commit();
}

QString linkTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    if (info.exists())
        return info.canonicalFilePath();
    // A link into a folder not there yet (a sync folder on a drive not mounted): written
    // through all the same, the save fails until the folder is there, instead of putting a
    // file in the link's place, whose data would then never reach the sync.
    QString target = path;
    for (int hops = 0; hops < 40 && QFileInfo(target).isSymLink(); ++hops)
        target = QFileInfo(target).symLinkTarget();
    return target;
}

bool renameNoReplace(const QString& from, const QString& to)
{
    // QFile::rename refuses an existing target.
    return QFile::rename(from, to);
}

} // namespace platform
