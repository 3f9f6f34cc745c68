#include "platform/desktop_file_viewer.h"
#include "platform/tray_availability.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's file manager on a private bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown.append(uris); }
};

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList told;

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body, const QStringList&,
                const QVariantMap&, int)
    {
        told.append(summary + QLatin1Char('|') + body);
        return 1;
    }
};

// A panel's StatusNotifierWatcher, with or without a host registered.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)

public:
    bool isHostRegistered() { return ++asked, hostRegistered; }
    bool hostRegistered = false;
    int asked = 0;

Q_SIGNALS:
    void StatusNotifierHostRegistered();
};

// The desktop's services on a private session bus.
class DesktopBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("viewer-test")));
        ASSERT_TRUE(bus->isConnected());

        // A fake xdg-open that notes what it was asked to open.
        const QString script = scratch.file(QStringLiteral("xdg-open"));
        scratch.write(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
        oldPath = qgetenv("PATH");
        qputenv("PATH", scratch.path().toUtf8() + ":" + oldPath);
    }
    void TearDown() override
    {
        qputenv("PATH", oldPath);
        bus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("viewer-test"));
        daemon.kill();
        daemon.waitForFinished();
    }
    QByteArray opened() const { return scratch.read(scratch.file(QStringLiteral("opened"))); }

    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> bus;
    TempFolder scratch;
    QByteArray oldPath;
};

} // namespace

TEST_F(DesktopBusTest, AsksTheFileManagerToShowTheFileOrTellsWhyThereIsNone)
{
    // On a connection of its own: calls within one connection are delivered synchronously.
    QDBusConnection desktopBus = QDBusConnection::connectToBus(address, QStringLiteral("viewer-test-desktop"));
    FakeFileManager manager;
    FakeNotifications notifications;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    DesktopFileViewer viewer(*bus);
    viewer.revealFile(QStringLiteral("/tmp/Some folder/Tockles_Export_1.csv"));
    EXPECT_TRUE(manager.shown.isEmpty()) << "the call does not wait for the answer";
    ASSERT_TRUE(waitUntil([&] { return manager.shown.size() == 1; }));
    EXPECT_EQ(manager.shown[0], QStringLiteral("file:///tmp/Some%20folder/Tockles_Export_1.csv"));

    viewer.reportUnwritten(QStringLiteral("/media/R&D <full>/Tockles_Export_2.csv"));
    ASSERT_TRUE(waitUntil([&] { return notifications.told.size() == 1; }));
    EXPECT_EQ(notifications.told[0], QStringLiteral("Tockles could not export|The CSV file could not be written to "
                                                    "/media/R&amp;D &lt;full&gt;."))
        << "the body is read as markup";
    EXPECT_EQ(manager.shown.size(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("viewer-test-desktop"));
}

TEST_F(DesktopBusTest, OpensTheFolderWhenNoFileManagerAnswers)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        GTEST_SKIP() << "opening a folder needs a desktop platform; the X server run covers it";
    DesktopFileViewer viewer(*bus);
    viewer.revealFile(scratch.file(QStringLiteral("export.csv")));
    ASSERT_TRUE(waitUntil([&] { return !opened().isEmpty(); }));
    EXPECT_EQ(opened(), QUrl::fromLocalFile(scratch.path()).toString().toUtf8() + "\n");
}

// A tray that comes after the program (a panel that starts later, or the AppIndicator extension
// switched on) is noticed by the watcher's own news: the service, then its host.
TEST_F(DesktopBusTest, ATrayThatComesLaterIsNoticedFromTheWatchersNews)
{
    TrayAvailability trays(*bus);
    EXPECT_FALSE(trays.available());
    int appeared = 0;
    QObject::connect(&trays, &TrayAvailability::appeared, [&] { ++appeared; });
    FakeWatcher watcher;
    ASSERT_TRUE(bus->registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                    QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(bus->registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    ASSERT_TRUE(waitUntil([&] { return watcher.asked == 1; })) << "asked when the watcher came";
    watcher.hostRegistered = true;
    Q_EMIT watcher.StatusNotifierHostRegistered();
    ASSERT_TRUE(waitUntil([&] { return appeared == 1; }));
    EXPECT_TRUE(trays.available());
}

#include "desktop_bus_test.moc"
