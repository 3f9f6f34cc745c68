#pragma once

#include "store/tockle_store.h"

#include <QObject>
#include <QPointer>

#include <memory>

class ContentView;
class PanelWindow;
class QWidget;
class SingleInstance;
class TrayAvailability;
class TrayItem;

// Told once that launching has finished; from then on the program has no taskbar entry and
// no window of its own but the panel, and closing a window does not end it.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    void applicationDidFinishLaunching();
    int launchCount() const { return launches; }

private:
    int launches = 0;
};

// The one scene: a tray item whose click opens the panel. Where the desktop has no tray, the
// panel lives in one small ordinary window instead, and closing it quits (while a timer runs,
// it minimizes); a tray that comes up later (the panel of a session starting after us) takes
// the panel over.
class TocklesApp : public QObject {
    Q_OBJECT

public:
    TocklesApp();
    ~TocklesApp() override;

    // Runs the event loop until the panel's Quit; returns at once when another instance runs.
    int run();

    // Puts the icon (or, without a tray, the window after a grace) up at once and reads the
    // history right after, so a long history never delays the icon. False when another
    // instance runs and has been asked to show its panel.
    bool start(StoreEnvironment environment);
    // The panel, reading the history first if that has not happened yet: a click while it is
    // being read opens the panel with the whole history.
    ContentView& ensurePanel();
    bool panelLoaded() const { return panel != nullptr; }
    void showPanel();

    AppDelegate appDelegate;

private:
    void moveIntoTray();
    void showFallbackWindow();
    void attachPanel();
    void updateTray();
    void tellUnsaved(bool unsaved);
    QRect trayAnchor() const;

    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<TrayAvailability> trays;
    std::unique_ptr<TrayItem> tray;
    StoreEnvironment environment;
    ContentView* panel = nullptr;
    std::unique_ptr<PanelWindow> popup;
    std::unique_ptr<QWidget> window;
    bool toldUnsaved = false;
};
