#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QObject>
#include <QTimer>

class QDBusServiceWatcher;

// Whether the desktop has a tray for our icon: an X tray manager (XEmbed) or a
// StatusNotifierWatcher with a host on the session bus. At login the panel that holds the tray
// often starts after us, so until one is there this listens for one and says when it appears:
// to the X tray manager's announcement and to the watcher's, never polling, since on a desktop
// with no tray at all (GNOME without the AppIndicator extension) it would wake all day.
//
// Qt decides once per process whether to use the D-Bus tray, the first time a tray icon is
// made or tray availability is asked; so nothing may ask Qt before this class has said yes.
class TrayAvailability : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit TrayAvailability(const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~TrayAvailability() override;

    bool available() const { return found; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void appeared();

private Q_SLOTS:
    void look();

private:
    bool trayToUse();
    bool statusNotifierHostPresent() const;
    static bool xembedTrayPresent();
    void stopListening();

    QDBusConnection bus;
    QDBusServiceWatcher* services = nullptr;
    QTimer hostWait;
    bool hostWaited = false;
    bool found = false;
    unsigned managerAtom = 0, traySelection = 0;
};
