#include "platform/desktop_file_viewer.h"

#include "platform/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

namespace {
// A file manager that is up answers at once; one that is starting gets a little longer.
constexpr int replyTimeoutMs = 3000;
} // namespace

DesktopFileViewer::DesktopFileViewer(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus(std::move(bus))
{
}

void DesktopFileViewer::revealFile(const QString& path)
{
    if (!bus.isConnected()) {
        openFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, replyTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path](QDBusPendingCallWatcher* w) {
        if (w->isError())
            openFolder(path);
        w->deleteLater();
    });
}

void DesktopFileViewer::reportUnwritten(const QString& path)
{
    tell(tr("Tockles could not export"),
         path.isEmpty() ? tr("There is no Documents folder to write the CSV file to.")
                        : tr("The CSV file could not be written to %1.")
                              .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
}

void DesktopFileViewer::openFolder(const QString& path)
{
    // A desktop with neither a file manager nor a launcher (a bare window manager and its bar)
    // would show nothing at all after the panel closed: the file is there, say where.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath())))
        tell(tr("Tockles exported the CSV file"),
             tr("It was saved as %1.").arg(QDir::toNativeSeparators(path)));
}

void DesktopFileViewer::tell(const QString& summary, const QString& body)
{
    // A bare window manager may run no notification service at all.
    platform::notifyDesktop(summary, body, bus, [viewer = QPointer(this), summary, body] {
        if (viewer)
            Q_EMIT viewer->unheard(summary, body);
    });
}
