#include "platform/session.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QSessionManager>
#include <QStandardPaths>

namespace platform {

void choosePlatformPlugin()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    // Wayland still, should the X server fail; and Wayland first where there is no X at all.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "wayland;xcb" : "xcb;wayland");
}

PanelWindow::Style panelStyle()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return PanelWindow::Style::Window;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return PanelWindow::Style::AnchoredWindow;
    return PanelWindow::Style::Popup;
}

bool startsWithTheSession(const QStringList& configDirs)
{
    for (const QString& dir : configDirs) {
        QFile entry(dir + QLatin1String("/autostart/tockles.desktop"));
        if (!entry.open(QIODevice::ReadOnly))
            continue;
        // The user's copy hides the system's; switched off, it counts as none.
        bool inMainGroup = false;
        while (!entry.atEnd()) {
            QByteArray line = entry.readLine().trimmed();
            if (line.startsWith('[')) {
                inMainGroup = line == "[Desktop Entry]";
                continue;
            }
            line.replace(' ', ""); // "Hidden = true" is the same entry
            if (inMainGroup && (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false"))
                return false;
        }
        return true;
    }
    return false;
}

void leaveRestartToAutostart()
{
#if QT_CONFIG(sessionmanager)
    QObject::connect(qApp, &QGuiApplication::saveStateRequest, qApp, [](QSessionManager& manager) {
        const auto dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
        manager.setRestartHint(startsWithTheSession(dirs) ? QSessionManager::RestartNever
                                                         : QSessionManager::RestartIfRunning);
    });
#endif
}

void whenSessionOlderThan(std::chrono::seconds age, QObject* context, std::function<void()> then,
                          const QDBusConnection& systemBus)
{
    if (!systemBus.isConnected())
        return;
    // "auto": the caller's session, or the user's graphical one for a program started outside
    // it (an application scope of the desktop's).
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1/session/auto"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("Timestamp");
    auto* reply = new QDBusPendingCallWatcher(QDBusConnection(systemBus).asyncCall(get), context);
    QObject::connect(reply, &QDBusPendingCallWatcher::finished, context,
                     [age, then = std::move(then)](QDBusPendingCallWatcher* call) {
                         call->deleteLater();
                         const QDBusMessage message = call->reply();
                         if (message.type() != QDBusMessage::ReplyMessage || message.arguments().isEmpty())
                             return;
                         bool ok = false;
                         const qulonglong began = qvariant_cast<QDBusVariant>(message.arguments().constFirst())
                                                      .variant()
                                                      .toULongLong(&ok); // microseconds since 1970
                         const qint64 sinceMs = QDateTime::currentMSecsSinceEpoch() - qint64(began / 1000);
                         if (ok && began > 0 && sinceMs > std::chrono::milliseconds(age).count())
                             then();
                     });
}

} // namespace platform
