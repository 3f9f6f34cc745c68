#pragma once

#include <QRect>
#include <QString>

#include <optional>

#include <xcb/xcb.h>

namespace platform {

// The X server connection when running as an X client; nothing on other platforms.
xcb_connection_t* x11Connection();

// The atom of `name`, made if `create`; XCB_ATOM_NONE when there is none.
xcb_atom_t x11Atom(xcb_connection_t* connection, const char* name, bool create = true);

// Tells the desktop that the launch it began under the startup-notification `id` is complete,
// which ends the busy pointer it shows meanwhile. Nothing when not an X client.
void x11CompleteLaunch(const QString& id);

// The work area of the current desktop as the window manager publishes it: one rectangle, in
// native pixels, round every screen's part clear of bars. Nothing without one.
std::optional<QRect> x11WorkArea();

} // namespace platform
