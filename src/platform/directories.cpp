#include "platform/directories.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {

std::optional<QString> absoluteLocation(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || QDir::isRelativePath(path))
        return std::nullopt;
    return QDir::cleanPath(path);
}

// A folder in the home folder, where XDG names none or a relative one (the rules ignore it).
[[maybe_unused]] std::optional<QString> inHome(const QString& path)
{
    const QString home = QDir::homePath();
    if (home.isEmpty() || QDir::isRelativePath(home))
        return std::nullopt;
    return QDir::cleanPath(home + path);
}

} // namespace

std::optional<QString> applicationSupportDirectory()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Qt returns a relative XDG_DATA_HOME as it stands; the XDG rules say to ignore it.
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isRelativePath(xdg))
        return inHome(QStringLiteral("/.local/share"));
#endif
    return absoluteLocation(QStandardPaths::GenericDataLocation);
}

std::optional<QString> documentsDirectory()
{
    return absoluteLocation(QStandardPaths::DocumentsLocation);
}

QString dataFolderKey(const QString& dataFolder)
{
    const QByteArray path = QDir(dataFolder).absolutePath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(path, QCryptographicHash::Sha1);
    return QString::fromLatin1(hash.toHex().left(20));
}

std::optional<QString> runtimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || QDir::isRelativePath(runtime) || !QDir(runtime).exists())
        return std::nullopt;
    return runtime;
}

std::optional<QString> rescueDirectory(const QString& dataFolder)
{
    const std::optional<QString> runtime = runtimeDirectory();
    if (!runtime)
        return std::nullopt;
    return QDir(*runtime).filePath(QStringLiteral("tockles-unsaved-") + dataFolderKey(dataFolder));
}

std::optional<QString> stateFile(const QString& dataFolder, const QString& what)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Qt 6.4 has no location for it yet.
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    const std::optional<QString> base = xdg.isEmpty() || QDir::isRelativePath(xdg)
                                            ? inHome(QStringLiteral("/.local/state"))
                                            : std::optional(xdg);
    if (!base)
        return std::nullopt;
    const QString state = QDir::cleanPath(*base + QStringLiteral("/Tockles"));
#else
    // Elsewhere a local, unsynced place; losing it costs no data, as if this were the first run.
    const std::optional<QString> local = absoluteLocation(QStandardPaths::GenericCacheLocation);
    if (!local)
        return std::nullopt;
    const QString state = QDir(*local).filePath(QStringLiteral("Tockles"));
#endif
    return QDir(state).filePath(what + QLatin1Char('-') + dataFolderKey(dataFolder) + QStringLiteral(".json"));
}

} // namespace platform
