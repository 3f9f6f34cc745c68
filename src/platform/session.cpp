#include "platform/session.h"

#include <QGuiApplication>

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

} // namespace platform
