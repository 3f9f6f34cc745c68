#include "platform/tray_availability.h"

#include "platform/x11.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include <cstdlib>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// Polling only runs while no tray is there, and each look costs one round trip to the X
// server and the bus.
constexpr int pollMs = 250;

} // namespace

TrayAvailability::TrayAvailability(QObject* parent) : QObject(parent)
{
    found = statusNotifierHostPresent() || xembedTrayPresent();
    if (found)
        return;
    poll.setInterval(pollMs);
    connect(&poll, &QTimer::timeout, this, &TrayAvailability::look);
    poll.start();
}

void TrayAvailability::look()
{
    if (!statusNotifierHostPresent() && !xembedTrayPresent())
        return;
    found = true;
    poll.stop();
    Q_EMIT appeared();
}

bool TrayAvailability::statusNotifierHostPresent()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
        return false;
    // The same question Qt asks before it uses the D-Bus tray; a short time-out, since a
    // watcher that hangs must not freeze the program.
    QDBusMessage get = QDBusMessage::createMethodCall(watcherService, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 500);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
           && qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

bool TrayAvailability::xembedTrayPresent()
{
    xcb_connection_t* connection = platform::x11Connection();
    if (!connection)
        return false;
    // The tray of the first screen, which is where Qt docks its icon.
    const xcb_atom_t selection = platform::x11Atom(connection, "_NET_SYSTEM_TRAY_S0", false);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner
        = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool present = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return present;
}
