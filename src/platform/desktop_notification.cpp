#include "platform/desktop_notification.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

namespace platform {

void notifyDesktop(const QString& summary, const QString& body, const QDBusConnection& bus,
                   std::function<void()> unheard)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry lets the desktop name and group the notification as ours. Most services
    // read the body as markup, where a folder named "R&D" would break it.
    const QVariantMap hints = {{QStringLiteral("desktop-entry"), QStringLiteral("tockles")},
                               {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call << QStringLiteral("Tockles") << 0u << QStringLiteral("tockles") << summary << body.toHtmlEscaped()
         << QStringList() << hints << -1;
    if (!unheard) {
        bus.call(call, QDBus::NoBlock);
        return;
    }
    auto* reply = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(reply, &QDBusPendingCallWatcher::finished,
                     [unheard = std::move(unheard)](QDBusPendingCallWatcher* w) {
                         if (w->isError())
                             unheard();
                         w->deleteLater();
                     });
}

} // namespace platform
