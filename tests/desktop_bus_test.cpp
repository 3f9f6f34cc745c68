#include "panel/panel_style.h"
#include "platform/appearance.h"
#include "platform/desktop_file_viewer.h"
#include "platform/session.h"
#include "platform/tray_availability.h"
#include "platform/tray_item.h"
#include "platform/x11.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

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

// The desktop's settings portal, as GNOME's and Plasma's answer.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    int reads = 0;
    int toQtsKdeTheme = 0;

public Q_SLOTS:
    // Dark, wrapped twice, as portals before 1.17 answer.
    QDBusVariant Read(const QString&, const QString&) { return ++reads, QDBusVariant(QVariant::fromValue(QDBusVariant(1u))); }
    void heard(const QDBusMessage& m) { toQtsKdeTheme += m.arguments().value(0) == QLatin1String("org.kde.kdeglobals.General"); }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// logind's record of a session: when it began, in microseconds since 1970.
class FakeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(qulonglong Timestamp READ timestamp)

public:
    qulonglong timestamp() { return ++reads, began; }
    qulonglong began = 0;
    int reads = 0;
};

// A client of the X server of its own, as the desktop's window manager is.
struct WindowManagerLink {
    WindowManagerLink() : connection(xcb_connect(nullptr, nullptr)) {}
    ~WindowManagerLink() { xcb_disconnect(connection); }
    bool up() const { return xcb_connection_has_error(connection) == 0; }
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root; }
    // What was asked before is in force when this returns.
    void sync() const { std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); }
    xcb_connection_t* const connection;
};

// The desktop's services on a private session bus.
class DesktopBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A bus of its own that starts no services: a file manager installed on the machine
        // would otherwise be started to answer for the one that is not there.
        const QString config = scratch.file(QStringLiteral("bus.conf"));
        scratch.write(config, "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config,
                                                     QStringLiteral("--nofork"), QStringLiteral("--print-address")});
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

TEST_F(DesktopBusTest, OpensTheFolderWhenNoFileManagerAnswersOrSaysWhereTheFileIs)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        GTEST_SKIP() << "opening a folder needs a desktop platform; the X server run covers it";
    DesktopFileViewer viewer(*bus);
    QStringList unheard;
    QObject::connect(&viewer, &DesktopFileViewer::unheard,
                     [&](const QString& summary, const QString& body) { unheard << summary + u'|' + body; });
    const QString file = scratch.file(QStringLiteral("export.csv"));
    qputenv("PATH", scratch.file(QStringLiteral("none")).toUtf8()); // nothing that opens a folder
    viewer.revealFile(file); // and no notification service: the words are handed on
    ASSERT_TRUE(waitUntil([&] { return unheard.size() == 1; }));
    EXPECT_EQ(unheard[0], QStringLiteral("Tockles exported the CSV file|It was saved as %1.").arg(file));

    QDBusConnection desktopBus = QDBusConnection::connectToBus(address, QStringLiteral("viewer-test-desktop"));
    FakeNotifications notifications;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    viewer.revealFile(file);
    ASSERT_TRUE(waitUntil([&] { return notifications.told.size() == 1; }));
    EXPECT_EQ(notifications.told[0], QStringLiteral("Tockles exported the CSV file|It was saved as %1.").arg(file));

    qputenv("PATH", scratch.path().toUtf8() + ":" + oldPath);
    viewer.revealFile(file);
    ASSERT_TRUE(waitUntil([&] { return !opened().isEmpty(); }));
    EXPECT_EQ(opened(), QUrl::fromLocalFile(scratch.path()).toString().toUtf8() + "\n");
    EXPECT_EQ(notifications.told.size(), 1) << "an opened folder says enough";
    EXPECT_EQ(unheard.size(), 1) << "a notification taken is not handed on";
    QDBusConnection::disconnectFromBus(QStringLiteral("viewer-test-desktop"));
}

// Qt 6.4 follows neither the desktop's dark style nor its change; where the desktop's Qt theme
// brings colours of its own, they stay, and the theme hears of every change.
TEST_F(DesktopBusTest, ThePanelTurnsDarkAndLightWithTheDesktop)
{
    QDBusConnection desktopBus = QDBusConnection::connectToBus(address, QStringLiteral("viewer-test-portal"));
    FakePortal portal;
    ASSERT_TRUE(desktopBus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(desktopBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    const QPalette light = QApplication::palette();
    QPalette themed = light;
    themed.setColor(QPalette::Window, Qt::blue);
    QApplication::setPalette(themed);
    const DesktopAppearance leftAlone(*bus);
    QApplication::setPalette(light);
    ASSERT_TRUE(bus->connect(QString(), QStringLiteral("/org/freedesktop/portal/desktop"),
                             QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"), &portal,
                             SLOT(heard(QDBusMessage))));

    const auto dimmed = [](const QPalette& p) { return p.color(QPalette::PlaceholderText); };
    QWidget panel;
    QLabel caption(&panel);
    panel_style::makeSecondary(&caption);
    panel.show();
    const DesktopAppearance appearance(*bus);
    ASSERT_TRUE(waitUntil([&] { return QApplication::palette().color(QPalette::Window).lightness() < 100; }));
    EXPECT_EQ(portal.reads, 1) << "a theme's own colours are not asked about";
    EXPECT_EQ(caption.palette().color(QPalette::WindowText), dimmed(DesktopAppearance::darkPalette()));
    Q_EMIT portal.SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                                 QDBusVariant(2u));
    ASSERT_TRUE(waitUntil([&] { return QApplication::palette() == light; }));
    EXPECT_EQ(caption.palette().color(QPalette::WindowText), dimmed(light));
    EXPECT_TRUE(waitUntil([&] { return portal.toQtsKdeTheme == 1; })) << "the theme is told of Plasma's change";
    QDBusConnection::disconnectFromBus(QStringLiteral("viewer-test-portal"));
}

// Qt's KDE theme lays Plasma's dark schemes over the light default, whose placeholder grey is then
// dark on dark: the dimmed texts are made readable, and turn back with the theme.
TEST_F(DesktopBusTest, DimmedTextsStayReadableUnderAThemesOwnColours)
{
    const auto scheme = [](QColor window, QColor base, QColor text) {
        QPalette palette = QApplication::palette(); // what the theme does not set stays
        for (const auto& [role, color] : {std::pair{QPalette::Window, window}, {QPalette::Base, base},
                                          {QPalette::Text, text}, {QPalette::WindowText, text}})
            palette.setColor(role, color);
        QApplication::setPalette(palette);
    };
    const auto placeholder = [] { return QApplication::palette().color(QPalette::PlaceholderText).lightness(); };
    scheme(QColor(49, 54, 59), QColor(35, 38, 41), QColor(239, 240, 241));
    const DesktopAppearance appearance(*bus);
    EXPECT_GT(placeholder(), 128);
    scheme(QColor(239, 240, 241), QColor(252, 252, 252), QColor(35, 38, 41));
    EXPECT_LT(placeholder(), 128);
}

// Without a tray the panel shows in a window; the grace that lets a panel starting at login come
// first is only waited for early in a session.
TEST_F(DesktopBusTest, OnlyAYoungSessionIsGivenTimeForItsTray)
{
    QDBusConnection logind = QDBusConnection::connectToBus(address, QStringLiteral("viewer-test-logind"));
    FakeSession session;
    ASSERT_TRUE(logind.registerObject(QStringLiteral("/org/freedesktop/login1/session/auto"), &session,
                                      QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    QStringList shown;
    const qulonglong now = QDateTime::currentMSecsSinceEpoch() * 1000ull;
    for (const auto& [began, name] : {std::pair{now - 30'000'000ull, "after 30 s"}, {now + 60'000'000ull, "clock set back"},
                                      {now - 600'000'000ull, "after 10 min"}}) {
        session.began = began;
        const int asked = session.reads + 1;
        platform::whenSessionOlderThan(std::chrono::seconds(120), &session, [&, name = name] { shown.append(QLatin1String(name)); }, *bus);
        ASSERT_TRUE(waitUntil([&] { return session.reads == asked; }));
    }
    // Answers come in the order asked: once the last is in, so are the others.
    ASSERT_TRUE(waitUntil([&] { return !shown.isEmpty(); }));
    EXPECT_EQ(shown, QStringList{QStringLiteral("after 10 min")});
    QDBusConnection::disconnectFromBus(QStringLiteral("viewer-test-logind"));
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

// Xfce's panel offers both trays, taken a few milliseconds apart and in either order, and Qt keeps
// the tray it finds first: an XEmbed tray that comes while the watcher has no host yet does not
// settle it, the host is waited for.
TEST_F(DesktopBusTest, APanelWithBothTraysIsUsedThroughItsHost)
{
    xcb_connection_t* x = platform::x11Connection();
    if (!x)
        GTEST_SKIP() << "the XEmbed tray needs an X server"; // run on one by file_viewer_on_x
    TrayAvailability trays(*bus);
    FakeWatcher watcher;
    int appeared = 0;
    bool hostWhenAppeared = false;
    QObject::connect(&trays, &TrayAvailability::appeared, [&] { ++appeared, hostWhenAppeared = watcher.hostRegistered; });
    ASSERT_TRUE(bus->registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                    QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(bus->registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    ASSERT_TRUE(waitUntil([&] { return watcher.asked == 1; }));
    // The XEmbed tray: its selection taken and announced, as a tray manager does.
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const xcb_window_t owner = xcb_generate_id(x);
    xcb_create_window(x, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    const xcb_atom_t selection = platform::x11Atom(x, "_NET_SYSTEM_TRAY_S0");
    xcb_set_selection_owner(x, owner, selection, XCB_CURRENT_TIME);
    xcb_client_message_event_t manager = {};
    manager.response_type = XCB_CLIENT_MESSAGE;
    manager.format = 32;
    manager.window = screen->root;
    manager.type = platform::x11Atom(x, "MANAGER");
    manager.data.data32[1] = selection;
    manager.data.data32[2] = owner;
    xcb_send_event(x, false, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&manager));
    xcb_flush(x);
    EXPECT_TRUE(waitUntil([&] { return watcher.asked == 2; })) << "the announcement was heard";
    watcher.hostRegistered = true;
    Q_EMIT watcher.StatusNotifierHostRegistered();
    EXPECT_TRUE(waitUntil([&] { return appeared == 1; }));
    EXPECT_TRUE(hostWhenAppeared) << "decided by the XEmbed tray alone";
    xcb_destroy_window(x, owner);
    xcb_flush(x);
}

// GNOME's AppIndicator extension begins a launch, and shows a busy pointer, before each click it
// passes on, and hands its id to the item: the program reports that launch complete at once.
TEST_F(DesktopBusTest, ALaunchTheTrayHostBeginsIsReportedComplete)
{
    if (!platform::x11Connection())
        GTEST_SKIP() << "launches are reported to an X server"; // run on one by file_viewer_on_x
    const WindowManagerLink wm;
    ASSERT_TRUE(wm.up());
    xcb_connection_t* desktop = wm.connection;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(desktop, wm.root(), XCB_CW_EVENT_MASK, &mask);
    wm.sync();
    const xcb_atom_t first = platform::x11Atom(desktop, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t next = platform::x11Atom(desktop, "_NET_STARTUP_INFO");

    TrayItem item;
    QDBusConnection host = QDBusConnection::connectToBus(address, QStringLiteral("viewer-test-host"));
    host.asyncCall(QDBusMessage::createMethodCall(bus->baseService(), QStringLiteral("/StatusNotifierItem"),
                                                  QStringLiteral("org.kde.StatusNotifierItem"),
                                                  QStringLiteral("ProvideXdgActivationToken"))
                   << QStringLiteral("gnome-shell/R&D \"1\"\\_TIME42"));
    QByteArray message;
    EXPECT_TRUE(waitUntil([&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(desktop)) {
            const auto* piece = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && (piece->type == first || piece->type == next))
                message.append(reinterpret_cast<const char*>(piece->data.data8), 20);
            std::free(event);
        }
        return message.contains('\0');
    }));
    EXPECT_EQ(message.left(message.indexOf('\0')), QByteArray("remove: ID=\"gnome-shell/R&D \\\"1\\\"\\\\_TIME42\""));
    QDBusConnection::disconnectFromBus(QStringLiteral("viewer-test-host"));
}

// Qt leaves the work area of a desktop of several screens to the program: the current one's.
TEST_F(DesktopBusTest, TheCurrentDesktopsWorkAreaIsRead)
{
    if (!platform::x11Connection())
        GTEST_SKIP() << "read from an X server"; // run on one by file_viewer_on_x
    const WindowManagerLink wm;
    ASSERT_TRUE(wm.up());
    const auto set = [&](const char* name, std::vector<uint32_t> values) {
        const xcb_atom_t atom = platform::x11Atom(wm.connection, name);
        if (values.empty())
            xcb_delete_property(wm.connection, wm.root(), atom);
        else
            xcb_change_property(wm.connection, XCB_PROP_MODE_REPLACE, wm.root(), atom, XCB_ATOM_CARDINAL, 32,
                                uint32_t(values.size()), values.data());
        wm.sync();
    };
    set("_NET_WORKAREA", {0, 0, 1024, 768, 0, 32, 1024, 736});
    set("_NET_CURRENT_DESKTOP", {1});
    EXPECT_EQ(platform::x11WorkArea(), QRect(0, 32, 1024, 736));
    set("_NET_CURRENT_DESKTOP", {7}); // more desktops than areas
    EXPECT_EQ(platform::x11WorkArea(), QRect(0, 0, 1024, 768));
    set("_NET_WORKAREA", {});
    EXPECT_EQ(platform::x11WorkArea(), std::nullopt);
}

#include "desktop_bus_test.moc"
