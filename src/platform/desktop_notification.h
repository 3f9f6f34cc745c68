#pragma once

#include <QDBusConnection>
#include <QString>

namespace platform {

// One notification through the desktop's notification service, shown as plain text. Where no
// service answers, nothing is shown and nothing waits.
void notifyDesktop(const QString& summary, const QString& body,
                   const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace platform
