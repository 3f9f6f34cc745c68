#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

// What the tray shows of the panel: whether a timer runs, the tooltip, and the start/stop
// entry of the icon's menu, which mirrors the panel's control.
struct TrayState {
    bool tracking = false;
    QString toolTip;
    QString toggleLabel;
    bool toggleEnabled = false;
    // Changes that did not reach the disk: the desktop is told once, when it happens.
    bool unsaved = false;

    bool operator==(const TrayState&) const = default;
};

// The one tray icon. A left click toggles the panel; the menu is there for hosts that never
// deliver a left click (GNOME's AppIndicator extension), with opening the panel first.
class TrayItem : public QObject {
    Q_OBJECT

public:
    explicit TrayItem(QObject* parent = nullptr);
    ~TrayItem() override;

    void show();
    void showState(const TrayState& state);
    // What the desktop is told when saves start to fail.
    static QString cannotSaveTitle();
    static QString cannotSaveText();
    // A message at the icon, for words the desktop's notification service did not take.
    void tell(const QString& title, const QString& text);
    // Where the host placed the icon; empty or (0,0) when it does not say.
    QRect iconGeometry() const;
    // Where a StatusNotifierItem host said the last click was, when it said.
    std::optional<QPoint> activationPoint() const;

Q_SIGNALS:
    void clicked();
    void openRequested();
    void toggleRequested();
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon();

    std::unique_ptr<QMenu> menu;
    QAction* toggle = nullptr;
    std::unique_ptr<QSystemTrayIcon> icon;
    TrayState state;
    bool toolTipMarkup = false;
};
