#include "panel/eliding_controls.h"
#include "platform/accessibility.h"
#include "platform/panel_window.h"
#include "platform/popup_placement.h"
#include "support/focus.h"
#include "support/wait.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

// Where the panel opens, for trays on every edge, on a second screen and with no icon geometry.
TEST(PopupPlacement, UnderAboveOrBesideTheIconAndAlwaysOnTheScreen)
{
    const QSize panel(260, 400);
    const QRect topBar(0, 24, 1920, 1056), bottomBar(0, 0, 1920, 1040), second(1920, -200, 1280, 1024);
    const QPoint cursor(900, 500);
    const struct {
        QSize size;
        QRect icon;
        QPoint cursor;
        QRect screen;
        QPoint expected;
    } rows[] = {
        {panel, {1000, 0, 24, 24}, cursor, topBar, {881, 28}},                  // centred under the icon
        {panel, {1900, 0, 20, 24}, cursor, topBar, {1660, 28}},                 // clamped at the edges
        {panel, {2, 2, 20, 20}, cursor, topBar, {0, 26}},
        {panel, {1800, 1044, 32, 32}, cursor, bottomBar, {1660, 640}},         // above a bottom bar
        {panel, {8, 600, 32, 32}, cursor, {48, 0, 1872, 1080}, {48, 600}},     // beside a side bar
        {panel, {1880, 900, 32, 32}, cursor, {0, 0, 1872, 1080}, {1612, 680}},
        {panel, {}, cursor, topBar, {770, 505}},                                 // no icon: at the cursor
        {panel, {0, 0, 24, 24}, {900, 1000}, topBar, {770, 596}},               // no room below: upwards
        {panel, {3150, -200, 24, 24}, cursor, second, {2940, -172}},
        {panel, {}, {1925, 700}, second, {1920, 296}},
        {{260, 2000}, {1000, 0, 24, 24}, cursor, topBar, {881, 24}},            // taller: its top shows
    };
    for (const auto& row : rows)
        EXPECT_EQ(popupPosition(row.size, row.icon, row.cursor, row.screen), row.expected)
            << row.icon.x() << "," << row.icon.y() << " on " << row.screen.x() << "," << row.screen.y();
    // With nothing to go by: at the right end of the bar that the desktop keeps, where trays sit.
    const QRect whole(0, 0, 1920, 1080);
    const struct {
        QRect available;
        QPoint expected;
    } ends[] = {{topBar, {1660, 28}}, {bottomBar, {1660, 636}}, {{48, 0, 1872, 1080}, {52, 680}}, {whole, {829, 544}}};
    for (const auto& end : ends)
        EXPECT_EQ(popupPosition(panel, {}, trayEnd(whole, end.available), end.available), end.expected);
    // Several screens: the desktop's one work area (native pixels), trimmed to each screen.
    const QRect belowTopBar(0, 32, 2560, 768), left(0, 0, 1280, 800), right(1280, 0, 1280, 800);
    const struct {
        QRect screen;
        qreal scale;
        QRect desktop;
        QRect expected;
    } areas[] = {
        {left, 1, belowTopBar, {0, 32, 1280, 768}},
        {right, 1, belowTopBar, {1280, 32, 1280, 768}},
        {{1280, 0, 640, 400}, 2, belowTopBar, {1280, 16, 640, 384}},    // scaled: the corner stays native
        {left, 1, {0, 832, 1280, 768}, left},                           // stacked: not this screen's
        {right, 1, {0, 0, 2560, 300}, right},
    };
    for (const auto& row : areas)
        EXPECT_EQ(workAreaOn(row.screen, row.scale, row.desktop), row.expected) << row.screen.x() << "@" << row.scale;
    // What it hangs from: a pointer on the bar beats a host's point (MATE's names its corner).
    const QRect icon(1000, 0, 24, 24), hostPoint(600, 10, 1, 1);
    const QPoint onBar(1465, 12);
    const struct {
        QRect icon;
        std::optional<QPoint> pointer;
        QRect expected;
    } anchors[] = {
        {icon, onBar, icon},                           // an XEmbed icon's own geometry
        {hostPoint, onBar, {onBar, QSize(1, 1)}},      // clicked on the bar, wherever the host says
        {hostPoint, cursor, hostPoint},                // activated from the keyboard
        {hostPoint, std::nullopt, hostPoint},          // XWayland: no pointer to go by
        {{}, cursor, {cursor, QSize(1, 1)}},           // opened from the menu
        {{}, std::nullopt, {}},
    };
    for (const auto& row : anchors)
        EXPECT_EQ(panelAnchor(row.icon, row.pointer, topBar), row.expected) << row.icon.x() << "," << row.icon.y();
    EXPECT_FALSE(iconGeometryKnown(QRect()));
    EXPECT_FALSE(iconGeometryKnown(QRect(0, 0, 24, 24)));
    EXPECT_TRUE(iconGeometryKnown(QRect(1, 0, 24, 24)));
}

// Shown again before the window system has reported that the hidden panel's focus went (a second
// launch right after Escape): that late report must not close the pop-up shown since.
TEST(PanelWindow, ALateFocusReportDoesNotCloseTheReopenedPanel)
{
    PanelWindow window(new QLabel(QStringLiteral("Tockles")));
    window.open({});
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
    window.hide(); // the focus still seems to be on the hidden window, as under X until its report
    window.open({});
    windowSystemFocuses(nullptr);
    EXPECT_TRUE(waitUntil([&] { return window.isVisible(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
}

// Readers say a dialog's name before everything said in it, each announcement included: to them
// the panel is a plain window, as the window without a tray is.
TEST(PanelWindow, ReadersSeeAWindowNotADialog)
{
    platform::installAccessibility();
    PanelWindow window(new QLabel(QStringLiteral("Tockles")));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&window);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->role(), QAccessible::Window);
}

// Under XWayland the pointer is wherever it last left an X window, not where the user clicked
// in the shell: a panel standing in for a pop-up there does not follow it. A pop-up opened
// without word from the tray hangs from the pointer as it was, and stays as the panel grows.
TEST(PanelWindow, WithoutWordFromTheTrayAPopupHangsFromThePointerWhereItOpened)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen->availableGeometry();
    const QPoint clicked = available.topLeft() + QPoint(300, 5);
    QCursor::setPos(clicked);
    PanelWindow anchored(new QLabel(QStringLiteral("Tockles")), PanelWindow::Style::AnchoredWindow);
    anchored.open({});
    EXPECT_EQ(anchored.pos(), popupPosition(anchored.size(), {}, trayEnd(screen->geometry(), available), available));
    anchored.hide();
    auto* content = new QLabel(QStringLiteral("Tockles"));
    PanelWindow popup(content);
    popup.open({});
    const QPoint opened = popup.pos();
    const int height = popup.height();
    EXPECT_EQ(opened, popupPosition(popup.size(), {}, clicked, available));
    QCursor::setPos(opened + QPoint(20, 40)); // on to the panel, where the content grows
    content->setText(QStringLiteral("Tockles\nDesign\nClient work"));
    ASSERT_TRUE(waitUntil([&] { return popup.height() > height; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(popup.pos(), popupPosition(popup.size(), {}, clicked, available));
}

// Escape in the picker's open list closes the list alone (Qt hands the same key to the picker
// once the list is gone); the next Escape closes the panel, and a click on the icon at once
// opens it again (it is no click outside the panel that goes on to the icon).
TEST(PanelWindow, EscapeInThePickersListClosesOnlyTheList)
{
    auto* picker = new ElidingComboBox;
    picker->addItems({QStringLiteral("Client work"), QStringLiteral("Design")});
    PanelWindow window(picker);
    window.open({});
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
    const auto escape = [](QWindow* target) {
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            target, QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
            target, QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    };
    picker->showPopup();
    QWidget* list = picker->view()->window();
    ASSERT_TRUE(waitUntil([&] { return list->isVisible() && list->windowHandle(); }));
    escape(list->windowHandle());
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(window.isVisible());
    QCoreApplication::processEvents();
    escape(window.windowHandle());
    EXPECT_FALSE(window.isVisible());
    window.toggle({});
    windowSystemFocuses(nullptr);
    EXPECT_TRUE(waitUntil([&] { return window.isVisible(); }));
}
