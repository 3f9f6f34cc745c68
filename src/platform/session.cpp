#include "platform/session.h"

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

} // namespace platform
