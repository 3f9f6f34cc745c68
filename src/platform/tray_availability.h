#pragma once

#include <QObject>
#include <QTimer>

// Whether the desktop has a tray for our icon: an X tray manager (XEmbed) or a
// StatusNotifierWatcher with a host on the session bus. At login the panel that holds the tray
// often starts after us, so until one is there this keeps looking and says when it appears.
//
// Qt decides once per process whether to use the D-Bus tray, the first time a tray icon is
// made or tray availability is asked; so nothing may ask Qt before this class has said yes.
class TrayAvailability : public QObject {
    Q_OBJECT

public:
    explicit TrayAvailability(QObject* parent = nullptr);

    bool available() const { return found; }

Q_SIGNALS:
    void appeared();

private:
    void look();
    static bool statusNotifierHostPresent();
    static bool xembedTrayPresent();

    bool found = false;
    QTimer poll;
};
