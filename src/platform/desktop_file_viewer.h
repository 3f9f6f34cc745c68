#pragma once

#include "platform/file_viewer.h"

#include <QDBusConnection>
#include <QObject>

// Asks the desktop's file manager over D-Bus to show the file selected; where none answers,
// opens the folder that holds it, and where nothing can, tells where it is as a notification.
// Neither path waits for the other program. A file that could not be written is told the same way.
class DesktopFileViewer final : public QObject, public FileViewer {
    Q_OBJECT

public:
    explicit DesktopFileViewer(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);
    void revealFile(const QString& path) override;
    void reportUnwritten(const QString& path) override;

private:
    void openFolder(const QString& path);

    QDBusConnection bus;
};
