#pragma once

#include "platform/file_viewer.h"

#include <QDBusConnection>
#include <QObject>

// Asks the desktop's file manager over D-Bus to show the file selected; where none answers,
// opens the folder that holds it, and where nothing can, tells where it is as a notification.
// Neither path waits for the other program. A file that could not be written is told the same way;
// where no notification service answers either, `unheard` hands the words on.
class DesktopFileViewer final : public QObject, public FileViewer {
    Q_OBJECT

public:
    explicit DesktopFileViewer(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);
    void revealFile(const QString& path) override;
    void reportUnwritten(const QString& path) override;

Q_SIGNALS:
    void unheard(const QString& summary, const QString& body);

private:
    void openFolder(const QString& path);
    void tell(const QString& summary, const QString& body);

    QDBusConnection bus;
};
