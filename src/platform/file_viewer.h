#pragma once

#include <QString>

// Shows a file, selected, in the desktop's file manager. Never blocks the caller.
class FileViewer {
public:
    virtual ~FileViewer() = default;
    virtual void revealFile(const QString& path) = 0;
};
