#pragma once

#include "platform/panel_window.h"

namespace platform {

// Before the application object exists: in a Wayland session that also offers X (XWayland),
// and where the user has not chosen a platform, run as an X client. A tray pop-up needs a
// global position and a pointer grab, which plain Wayland clients are never given.
void choosePlatformPlugin();

// How the panel's window can stand at the tray icon in this session.
PanelWindow::Style panelStyle();

} // namespace platform
