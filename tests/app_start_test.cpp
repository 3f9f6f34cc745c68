#include "app/tockles_app.h"
#include "model/json_codec.h"
#include "panel/content_view.h"
#include "platform/session.h"
#include "support/temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

// The icon (or window) comes first and the history is read right after, never before; a click
// while it is being read opens the panel with all of it.
TEST(AppStart, TheHistoryIsReadAfterTheIconAndAClickMeanwhileGetsAllOfIt)
{
    for (const bool click : {true, false}) {
        SCOPED_TRACE(click ? "clicked at once" : "left alone");
        TempFolder folder;
        const QList<Tockle> history(5000, Tockle(QStringLiteral("A"), {}, {}, 1.5));
        folder.write(folder.dataFile("tockles.json"), encodeTockles(history).value());
        folder.write(folder.dataFile("projects.json"), R"(["A"])");
        StoreEnvironment env;
        env.applicationSupportDirectory = folder.path();
        TocklesApp app;
        ASSERT_TRUE(app.start(env));
        EXPECT_FALSE(app.panelLoaded()) << "starting reads no history";
        if (click)
            app.showPanel();
        else
            EXPECT_TRUE(QTest::qWaitFor([&] { return app.panelLoaded(); }, 30000));
        ASSERT_TRUE(app.panelLoaded());
        ContentView& panel = app.ensurePanel();
        EXPECT_EQ(panel.store->tockles().size(), history.size());
        if (!click) { // the tray menu's entry, before the panel was ever shown
            panel.toggleTracking();
            EXPECT_TRUE(panel.isTracking && panel.currentProject == QStringLiteral("A"));
        }
    }
}

// The session is left to restore Tockles only where no enabled autostart entry starts it.
TEST(Session, TheFirstAutostartEntryFoundDecidesAndCountsUnlessSwitchedOff)
{
    const char* on = "[Desktop Entry]\nExec=tockles\n[Desktop Action x]\nHidden=true\n";
    const struct {
        const char *user, *system;
        bool starts;
    } cases[] = {
        {nullptr, nullptr, false},
        {on, nullptr, true},
        {nullptr, on, true},
        {"[Desktop Entry]\nHidden = true\n", on, false}, // the user's copy hides the system's
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", nullptr, false},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QStringList dirs = {folder.file(QStringLiteral("user")), folder.file(QStringLiteral("system"))};
        for (int i : {0, 1}) {
            if (const char* entry = i == 0 ? c.user : c.system)
                folder.write(dirs[i] + QLatin1String("/autostart/tockles.desktop"), entry);
        }
        EXPECT_EQ(platform::startsWithTheSession(dirs), c.starts) << (c.user ? c.user : "-") << (c.system ? c.system : "-");
    }
}

// Without a tray the panel is a window, and closing it quits; while a timer runs it goes out of
// the way instead, since quitting would end the timer unrecorded, and a start brings it back.
// Quitting itself (Quit, a signal, the session's end) is never refused.
TEST(AppStart, ClosingTheWindowWithoutATrayNeverEndsARunningTimer)
{
    TempFolder folder;
    folder.write(folder.dataFile("projects.json"), R"(["A"])");
    StoreEnvironment env;
    env.applicationSupportDirectory = folder.path();
    TocklesApp app;
    ASSERT_TRUE(app.start(env));
    app.showPanel();
    QWidget* window = app.ensurePanel().window();
    if (window->objectName() != QStringLiteral("fallbackWindow"))
        GTEST_SKIP() << "this desktop has a tray";
    app.ensurePanel().toggleTracking();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isMinimized());
    app.showPanel();
    EXPECT_TRUE(window->isVisible() && !window->isMinimized());
    app.ensurePanel().toggleTracking();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(app.ensurePanel().store->tockles().size(), 1);
    app.showPanel();
    app.ensurePanel().toggleTracking();
    QEvent quit(QEvent::Quit); // what QCoreApplication::quit() sends
    QCoreApplication::sendEvent(qApp, &quit);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(quit.isAccepted());
}
