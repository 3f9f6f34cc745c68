#include "app/tockles_app.h"

#include "model/duration_format.h"
#include "panel/content_view.h"
#include "panel/panel_rules.h"
#include "platform/appearance.h"
#include "platform/desktop_file_viewer.h"
#include "platform/desktop_notification.h"
#include "platform/panel_window.h"
#include "platform/popup_placement.h"
#include "platform/session.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
#include "platform/timer_icon.h"
#include "platform/tray_availability.h"
#include "platform/tray_item.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <functional>

namespace {

// At login the session's panel may start a little after us; this long it may take before the
// panel shows in a window of its own instead, so that a normal login never flashes one.
constexpr int trayGraceMs = 3000;
// Later in a session no tray is on its way: on a desktop without one (GNOME without its
// extension) a start from the menu shows the window at once.
constexpr std::chrono::seconds loginMoment{120};
// A menu is as wide as its longest entry: a long project name would stretch it across the screen.
constexpr qsizetype menuNameLimit = 40;
// Long enough for the tray to have asked for the icon and drawn it.
constexpr int historyAfterIconMs = 100;
// The program while its event loop runs; Qt may end it from within with exit().
TocklesApp* running = nullptr;

// Showing an export hands the desktop to the file manager: the panel steps aside for it.
class HandingOverFileViewer final : public FileViewer {
public:
    HandingOverFileViewer(std::shared_ptr<FileViewer> viewer, std::function<void()> handOver)
        : viewer(std::move(viewer)), handOver(std::move(handOver))
    {
    }
    void revealFile(const QString& path) override
    {
        handOver();
        viewer->revealFile(path);
    }
    void reportUnwritten(const QString& path) override { viewer->reportUnwritten(path); }

private:
    std::shared_ptr<FileViewer> viewer;
    std::function<void()> handOver;
};

// The window used where there is no tray: closing it ends the program, but never a running
// timer, which would end unrecorded; the window then goes out of the way as a tray's panel does.
// When the program quits (Quit, a signal, the session's end), Qt closes its windows first and
// gives up quitting if one refuses, so then the window always goes.
class FallbackWindow : public QWidget {
public:
    explicit FallbackWindow(ContentView* content) : content(content)
    {
        qApp->installEventFilter(this);
        setObjectName(QStringLiteral("fallbackWindow"));
        setWindowTitle(QStringLiteral("Tockles"));
        setWindowIcon(timerIcon(palette().color(QPalette::WindowText)));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(content);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit)
            quitting = true;
        return false;
    }
    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::PaletteChange) // the desktop turned dark or light
            setWindowIcon(timerIcon(palette().color(QPalette::WindowText)));
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (content->isTracking && !quitting) {
            event->ignore();
            showMinimized();
            return;
        }
        event->accept();
        if (!quitting)
            QCoreApplication::quit();
    }

private:
    ContentView* content;
    bool quitting = false;
};

} // namespace

void AppDelegate::applicationDidFinishLaunching()
{
    ++launches;
    // Only the tray keeps the program alive, not its windows.
    QApplication::setQuitOnLastWindowClosed(false);
}

TocklesApp::TocklesApp() = default;
TocklesApp::~TocklesApp() = default;

int TocklesApp::run()
{
    const DesktopAppearance appearance;
    StoreEnvironment system = StoreEnvironment::system();
    auto viewer = std::make_shared<DesktopFileViewer>();
    // Qt's tray icon draws a message of its own where an X tray has no notification service.
    connect(viewer.get(), &DesktopFileViewer::unheard, this,
            [this](const QString& summary, const QString& body) {
                if (tray)
                    tray->tell(summary, body);
            });
    system.fileViewer = std::move(viewer);
    if (!start(std::move(system)))
        return 0;
    QMetaObject::invokeMethod(&appDelegate, &AppDelegate::applicationDidFinishLaunching, Qt::QueuedConnection);
    platform::quitOnTerminationSignals();
    platform::leaveRestartToAutostart();
    // When the display goes (the X server, or XWayland as a Wayland session ends), Qt ends the
    // program with exit(): lists whose last save failed are written then too.
    running = this;
    static const int atExit = std::atexit([] {
        if (running && running->panel)
            running->panel->store->saveUnsavedLists();
    });
    Q_UNUSED(atExit);
    QApplication::exec();
    running = nullptr;
    // Lists whose last save failed are written now; a running interval is not stored.
    if (panel)
        panel->store->saveUnsavedLists();
    return 0;
}

bool TocklesApp::start(StoreEnvironment env)
{
    environment = std::move(env);
    if (environment.fileViewer) {
        environment.fileViewer = std::make_shared<HandingOverFileViewer>(environment.fileViewer, [this] {
            if (popup)
                popup->stepAside();
        });
    }
    if (environment.applicationSupportDirectory) {
        instance = std::make_unique<SingleInstance>(
            QDir(*environment.applicationSupportDirectory).filePath(QStringLiteral("Tockles")));
        if (!instance->claim())
            return false;
        connect(instance.get(), &SingleInstance::showRequested, this, &TocklesApp::showPanel);
    }
    trays = std::make_unique<TrayAvailability>();
    if (trays->available()) {
        moveIntoTray();
    } else {
        connect(trays.get(), &TrayAvailability::appeared, this, &TocklesApp::moveIntoTray);
        QTimer::singleShot(trayGraceMs, this, &TocklesApp::showFallbackWindow);
        platform::whenSessionOlderThan(loginMoment, this, [this] { showFallbackWindow(); });
    }
    // The tray draws the icon once the event loop has answered it; the history is read after.
    QTimer::singleShot(historyAfterIconMs, this, [this] { ensurePanel(); });
    return true;
}

ContentView& TocklesApp::ensurePanel()
{
    if (!panel) {
        panel = new ContentView(environment);
        // The tray's menu offers the panel's start control before the panel was ever shown; it
        // acts on the selection that showing the panel makes.
        panel->selectFirstIfEmpty();
        connect(panel, &ContentView::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        connect(panel->store.get(), &TockleStore::unsavedChangesChanged, this, &TocklesApp::tellUnsaved);
        attachPanel();
        tellUnsaved(panel->store->hasUnsavedChanges()); // the saves after reading may have failed already
    }
    return *panel;
}

void TocklesApp::attachPanel()
{
    if (!panel || !tray || popup)
        return;
    popup = std::make_unique<PanelWindow>(panel, platform::panelStyle()); // takes the panel out of the fallback window
    window.reset();
    connect(tray.get(), &TrayItem::toggleRequested, panel, &ContentView::toggleTracking);
    connect(panel, &ContentView::stateChanged, this, &TocklesApp::updateTray);
    connect(panel->store.get(), &TockleStore::unsavedChangesChanged, this, &TocklesApp::updateTray);
    updateTray();
}

void TocklesApp::moveIntoTray()
{
    if (tray)
        return;
    tray = std::make_unique<TrayItem>();
    connect(tray.get(), &TrayItem::clicked, this, [this] {
        ensurePanel();
        popup->toggle(trayAnchor());
    });
    connect(tray.get(), &TrayItem::openRequested, this, &TocklesApp::showPanel);
    connect(tray.get(), &TrayItem::quitRequested, qApp, &QCoreApplication::quit);
    // Until the history is read nothing can start: the panel's idle control, disabled.
    tray->showState({false, tr("Tockles"), QCoreApplication::translate("ContentView", "Start Tracking"), false});
    attachPanel();
    tray->show();
}

void TocklesApp::showFallbackWindow()
{
    if (tray || window)
        return;
    window = std::make_unique<FallbackWindow>(&ensurePanel());
    tellUnsaved(panel->store->hasUnsavedChanges());
    window->show();
}

// With a tray the icon tells of saves that fail (updateTray). Without one, the desktop's
// notifications tell it once, and the window's title for as long as it lasts.
void TocklesApp::tellUnsaved(bool unsaved)
{
    if (tray)
        return;
    if (window)
        window->setWindowTitle(unsaved ? tr("Tockles (not saved)") : QStringLiteral("Tockles"));
    if (unsaved && !toldUnsaved)
        platform::notifyDesktop(TrayItem::cannotSaveTitle(), TrayItem::cannotSaveText());
    toldUnsaved = unsaved;
}

void TocklesApp::showPanel()
{
    ensurePanel();
    if (popup) {
        popup->open(trayAnchor());
        return;
    }
    showFallbackWindow();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void TocklesApp::updateTray()
{
    TrayState state;
    state.tracking = panel->isTracking;
    state.toolTip = panel->isTracking ? tr("Tockles — %1 %2").arg(isolatedName(shownName(panel->currentProject)),
                                                                  formatDuration(panel->elapsedTime))
                                      : tr("Tockles");
    state.unsaved = panel->store->hasUnsavedChanges();
    if (state.unsaved)
        state.toolTip += QLatin1Char('\n') + tr("Not saved yet: the data folder cannot be written or read.");
    state.toggleLabel = panel->startStopLabel(menuNameLimit);
    state.toggleEnabled = startStopEnabled(panel->store->projects(), panel->isTracking, panel->selectedProject);
    tray->showState(state);
}

QRect TocklesApp::trayAnchor() const
{
    const QRect geometry = tray->iconGeometry();
    if (iconGeometryKnown(geometry))
        return geometry;
    if (const std::optional<QPoint> point = tray->activationPoint())
        return {*point, QSize(1, 1)};
    return {};
}
