#include "platform/tray_availability.h"

#include "platform/x11.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <cstdlib>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

TrayAvailability::TrayAvailability(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus(bus)
{
    // Listening first, then looking: a tray that comes in between is not missed.
    if (bus.isConnected()) {
        services = new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(services, &QDBusServiceWatcher::serviceRegistered, this, &TrayAvailability::look);
        this->bus.connect(watcherService, watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"),
                          this, SLOT(look()));
    }
    // A tray manager announces itself to every client with a MANAGER message on the root window.
    if (xcb_connection_t* connection = platform::x11Connection()) {
        managerAtom = platform::x11Atom(connection, "MANAGER");
        traySelection = platform::x11Atom(connection, "_NET_SYSTEM_TRAY_S0");
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    hostWait.setSingleShot(true);
    connect(&hostWait, &QTimer::timeout, this, [this] {
        hostWaited = true;
        look();
    });
    found = trayToUse();
    if (found)
        stopListening();
}

// A panel that offers both trays (Xfce's) takes the XEmbed selection and registers its
// StatusNotifierItem host within milliseconds of each other, in either order, and Qt keeps the
// tray it finds first. While a watcher is there without a host, the host is waited for a moment.
bool TrayAvailability::trayToUse()
{
    if (statusNotifierHostPresent())
        return true;
    if (!xembedTrayPresent())
        return false;
    if (hostWaited || !bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
        return true;
    if (!hostWait.isActive())
        hostWait.start(1000);
    return false;
}

TrayAvailability::~TrayAvailability()
{
    stopListening();
}

// Safe to call again: each step undoes nothing that is not there.
void TrayAvailability::stopListening()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    bus.disconnect(watcherService, watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
                   SLOT(look()));
    if (services)
        services->setWatchedServices({});
}

bool TrayAvailability::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    // Looked at once Qt has handled the message too, as it docks its own icons by it.
    if (client->format == 32 && client->type == managerAtom && client->data.data32[1] == traySelection)
        QMetaObject::invokeMethod(this, &TrayAvailability::look, Qt::QueuedConnection);
    return false;
}

void TrayAvailability::look()
{
    if (found || !trayToUse())
        return;
    found = true;
    hostWait.stop();
    stopListening();
    Q_EMIT appeared();
}

bool TrayAvailability::statusNotifierHostPresent() const
{
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
        return false;
    // The same question Qt asks before it uses the D-Bus tray; a short time-out, since a
    // watcher that hangs must not freeze the program.
    QDBusMessage get = QDBusMessage::createMethodCall(watcherService, watcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
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
