#pragma once

#include <QDBusConnection>
#include <QString>

#include <functional>

namespace platform {

// One notification through the desktop's notification service, shown as plain text. Nothing
// waits for it; where no service answers, `unheard` is called, if given.
void notifyDesktop(const QString& summary, const QString& body,
                   const QDBusConnection& bus = QDBusConnection::sessionBus(),
                   std::function<void()> unheard = {});

} // namespace platform
