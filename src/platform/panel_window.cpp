#include "platform/panel_window.h"

#include "platform/popup_placement.h"
#include "platform/x11.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <optional>

namespace {

Qt::WindowFlags flagsFor(PanelWindow::Style style)
{
    switch (style) {
    case PanelWindow::Style::Popup:
        return Qt::Popup | Qt::FramelessWindowHint;
    case PanelWindow::Style::AnchoredWindow:
        return Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    case PanelWindow::Style::Window:
        break;
    }
    return Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

// No taskbar or pager entry for a window that stands in for a pop-up.
void skipTaskbar(QWidget* window)
{
    xcb_connection_t* connection = platform::x11Connection();
    if (!connection)
        return;
    const xcb_atom_t states[] = {platform::x11Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 platform::x11Atom(connection, "_NET_WM_STATE_SKIP_PAGER"),
                                 platform::x11Atom(connection, "_NET_WM_STATE_ABOVE")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        platform::x11Atom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 3, states);
    xcb_flush(connection);
}

// The click on the icon that closed the pop-up (as a click outside it) arrives again as the
// icon's own click; within this time it must not reopen the panel.
constexpr qint64 reopenGuardMs = 300;

// A tray host's menu may still hold the keyboard and pointer as its "Open Tockles" arrives
// (Enlightenment's does, while it closes). Until the pop-up has them it gets no keys at all and
// hears no click outside, so it asks again until the menu has let go, for at most about 2 s.
constexpr int grabRetryMs = 50;
constexpr int grabTriesMax = 40;

// Bound on waiting for the window system to report that a hidden panel's focus has gone.
constexpr int focusNewsWaitMs = 500;

// The program still believes one of its hidden windows has the focus: the window system's report
// that the focus left is on its way (X waits a moment for it to land elsewhere in the program).
bool focusLeavingHiddenWindow()
{
    const QWindow* focus = QGuiApplication::focusWindow();
    return focus && !focus->isVisible();
}

// Qt takes the desktop's work area for a screen's available area only while there is one screen;
// the bars of a desktop of several are found from it all the same, or the panel would open over
// a bar, or mid-screen for want of one.
QRect availableArea(const QScreen* screen)
{
    const QRect available = screen->availableGeometry();
    if (available != screen->geometry())
        return available;
    const std::optional<QRect> desktop = platform::x11WorkArea();
    return desktop ? workAreaOn(available, screen->devicePixelRatio(), *desktop) : available;
}

} // namespace

PanelWindow::PanelWindow(QWidget* content, Style style)
    : QWidget(nullptr, flagsFor(style)), content(content), style(style)
{
    setObjectName(QStringLiteral("panelWindow"));
    setAccessibleName(tr("Tockles"));
    setWindowTitle(tr("Tockles"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content);
    content->installEventFilter(this);
    focusNewsWait.setSingleShot(true);
    connect(&focusNewsWait, &QTimer::timeout, this, &PanelWindow::openAfterFocusNews);
    grabRetry.setInterval(grabRetryMs);
    connect(&grabRetry, &QTimer::timeout, this, &PanelWindow::takeGrab);
}

void PanelWindow::toggle(QRect iconGeometry)
{
    if (isVisible()) {
        hide();
        return;
    }
    if (sinceHidden.isValid() && sinceHidden.elapsed() < reopenGuardMs)
        return;
    open(iconGeometry);
}

void PanelWindow::open(QRect iconGeometry)
{
    // Taken as it opens, the pointer stays the anchor while it moves on over the panel. Under
    // XWayland the X server knows the pointer only over X windows: after a click in the shell's
    // own menu it is wherever it last left one, so it is not asked there.
    std::optional<QPoint> pointer;
    QRect pointerArea;
    if (style != Style::AnchoredWindow) {
        pointer = QCursor::pos();
        const QScreen* screen = QGuiApplication::screenAt(*pointer);
        pointerArea = screen ? availableArea(screen) : QRect();
    }
    anchor = panelAnchor(iconGeometry, pointer, pointerArea);
    // That report, landing after the panel has shown again, reads as the program losing the
    // focus, and pop-ups close then: a second launch right after Escape would flash the panel.
    if (!isVisible() && focusLeavingHiddenWindow()) {
        if (!awaitingFocusNews) {
            awaitingFocusNews = true;
            connect(qApp, &QGuiApplication::focusWindowChanged, this, &PanelWindow::openAfterFocusNews,
                    Qt::QueuedConnection);
            focusNewsWait.start(focusNewsWaitMs);
        }
        return;
    }
    showAtAnchor();
}

void PanelWindow::stepAside()
{
    // Not left to the focus news: GNOME hands the keyboard to a file manager asked over D-Bus
    // while the X window keeps the focus as far as X knows, and a pop-up's grab would hold the
    // keyboard back from the other program.
    if (style != Style::Window)
        dismiss();
}

void PanelWindow::openAfterFocusNews()
{
    if (!awaitingFocusNews)
        return;
    awaitingFocusNews = false;
    focusNewsWait.stop();
    disconnect(qApp, &QGuiApplication::focusWindowChanged, this, &PanelWindow::openAfterFocusNews);
    showAtAnchor();
}

void PanelWindow::showAtAnchor()
{
    if (!isVisible()) {
        place();
        if (style == Style::AnchoredWindow)
            skipTaskbar(this);
        show();
        if (style == Style::Popup) {
            grabTries = 0;
            takeGrab();
        }
    }
    raise();
    activateWindow();
    content->setFocus(Qt::PopupFocusReason);
}

void PanelWindow::place()
{
    adjustSize();
    if (style == Style::Window)
        return;
    QScreen* screen = iconGeometryKnown(anchor) ? QGuiApplication::screenAt(anchor.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = availableArea(screen);
    // With no word of the icon nor of the pointer, where trays sit.
    move(popupPosition(size(), anchor, trayEnd(screen->geometry(), available), available));
}

void PanelWindow::takeGrab()
{
    QWindow* window = windowHandle();
    const bool held = isVisible() && window && window->setKeyboardGrabEnabled(true)
                      && window->setMouseGrabEnabled(true);
    if (held || !isVisible() || ++grabTries >= grabTriesMax)
        grabRetry.stop();
    else if (!grabRetry.isActive())
        grabRetry.start();
}

void PanelWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Closed by a key or a button of its own, not by a click that may go on to the icon: a click on
// the icon right after opens it again.
void PanelWindow::dismiss()
{
    hide();
    sinceHidden.invalidate();
}

void PanelWindow::hideEvent(QHideEvent* event)
{
    sinceHidden.start();
    QWidget::hideEvent(event);
}

void PanelWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (style == Style::Window)
        return;
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool PanelWindow::event(QEvent* event)
{
    // A window standing in for a pop-up closes on a click elsewhere, which takes its focus.
    if (event->type() == QEvent::WindowDeactivate && style == Style::AnchoredWindow && isVisible())
        hide();
    return QWidget::event(event);
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The panel grows and shrinks with its content; keep it anchored and on screen.
    if (watched == content && event->type() == QEvent::Resize && isVisible())
        QMetaObject::invokeMethod(this, &PanelWindow::place, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}
