#pragma once

#include <QString>

#include <optional>

namespace platform {

// The per-user data directory (XDG_DATA_HOME, else ~/.local/share); nothing when none is known.
std::optional<QString> applicationSupportDirectory();

// The user's documents folder (XDG user dirs); nothing when the desktop names none.
std::optional<QString> documentsDirectory();

// The session's own runtime folder (XDG_RUNTIME_DIR, private to the user and cleared at
// logout); nothing where the session has none.
std::optional<QString> runtimeDirectory();

// A short name for one data folder, the same in every run: for the things kept per data folder
// outside it.
QString dataFolderKey(const QString& dataFolder);

// Where lists that could not be saved by the exit wait for the next start: in the session's
// runtime folder (XDG_RUNTIME_DIR), kept in memory and so never on the disk that was full; one
// folder per data folder. Nothing where the session has no runtime folder.
std::optional<QString> rescueDirectory(const QString& dataFolder);

// What this computer keeps about one data folder that must outlast the session but not travel
// with the folder to other computers (XDG_STATE_HOME, else ~/.local/state): one file per data
// folder, named by `what`. Nothing where no such place is known.
std::optional<QString> stateFile(const QString& dataFolder, const QString& what);

} // namespace platform
