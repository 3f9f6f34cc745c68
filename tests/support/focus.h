#pragma once

#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

// As the window system reports the keyboard going to `window`, or to another program (nullptr);
// delivered before this returns.
inline void windowSystemFocuses(QWindow* window)
{
    using Now = QWindowSystemInterface::SynchronousDelivery;
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    QWindowSystemInterface::handleFocusWindowChanged<Now>(window, Qt::ActiveWindowFocusReason);
#else
    QWindowSystemInterface::handleWindowActivated<Now>(window, Qt::ActiveWindowFocusReason);
#endif
}
