#pragma once

namespace platform {

// Before the application object exists: in a Wayland session that also offers X (XWayland),
// and where the user has not chosen a platform, run as an X client. A tray pop-up needs a
// global position and a pointer grab, which plain Wayland clients are never given.
void choosePlatformPlugin();

// Whether the panel can open as a frameless pop-up at the tray icon; where it cannot (native
// Wayland), it opens as a small window the user can move and close.
bool popupsPlaceable();

} // namespace platform
