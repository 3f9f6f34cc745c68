#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace platform {

// Tells when a file system is mounted or unmounted: a drive mounted on a watched folder sends
// the folder's watch no event. Costs no wake-ups in between; where the platform cannot tell,
// it never speaks.
class MountWatcher : public QObject {
    Q_OBJECT
public:
    explicit MountWatcher(QObject* parent = nullptr);
    ~MountWatcher() override;

Q_SIGNALS:
    void mountsChanged();

private:
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace platform
