#pragma once

#include <QString>

// Shows an export, selected, in the desktop's file manager, or tells the user that it could not
// be written. Never blocks the caller.
class FileViewer {
public:
    virtual ~FileViewer() = default;
    virtual void revealFile(const QString& path) = 0;
    // Empty when there was no folder to write to at all.
    virtual void reportUnwritten(const QString& path) = 0;
};
