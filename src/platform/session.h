#pragma once

#include "platform/panel_window.h"

#include <QDBusConnection>

#include <chrono>
#include <functional>

namespace platform {

// Before the application object exists: in a Wayland session that also offers X (XWayland),
// and where the user has not chosen a platform, run as an X client. A tray pop-up needs a
// global position and a pointer grab, which plain Wayland clients are never given.
void choosePlatformPlugin();

// How the panel's window can stand at the tray icon in this session.
PanelWindow::Style panelStyle();

// Whether the session starts Tockles at login by itself: an enabled "tockles.desktop" in the
// first of `configDirs` (the user's own first) whose autostart folder has one.
bool startsWithTheSession(const QStringList& configDirs);

// A session manager that restores the programs of the last session would start Tockles a
// second time beside the autostart entry, and that second start opens the panel unasked. Where
// the session starts Tockles anyway, it is left out of the saved session.
void leaveRestartToAutostart();

// Calls `then` (while `context` lives) once logind says that the user's session began more than
// `age` ago; never where no logind answers (containers, other init systems). Nothing waits.
void whenSessionOlderThan(std::chrono::seconds age, QObject* context, std::function<void()> then,
                          const QDBusConnection& systemBus = QDBusConnection::systemBus());

} // namespace platform
