#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// The event loop a store's timers and file watcher need, for one test.
struct EventLoop {
    int argc = 1;
    char name[19] = "tockles_core_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

// Runs the event loop in short steps until the condition holds or the time is up. (QtTest's
// QTRY macros report to QtTest, which a GoogleTest run never sees.)
template <typename Condition>
bool waitUntil(Condition condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
