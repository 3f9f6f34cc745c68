#include "platform/mounts.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

MountWatcher::MountWatcher(QObject* parent) : QObject(parent)
{
#ifdef Q_OS_LINUX
    // The kernel marks the mount table urgent (POLLPRI) whenever it changes.
    fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Exception);
    connect(notifier.get(), &QSocketNotifier::activated, this, &MountWatcher::mountsChanged);
#endif
}

MountWatcher::~MountWatcher()
{
    notifier.reset();
#ifdef Q_OS_LINUX
    if (fd >= 0)
        ::close(fd);
#endif
}

} // namespace platform
