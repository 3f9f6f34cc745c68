#pragma once

#include <QString>

#include <optional>

namespace platform {

// The per-user data directory (XDG_DATA_HOME, else ~/.local/share); nothing when none is known.
std::optional<QString> applicationSupportDirectory();

// The user's documents folder (XDG user dirs); nothing when the desktop names none.
std::optional<QString> documentsDirectory();

} // namespace platform
