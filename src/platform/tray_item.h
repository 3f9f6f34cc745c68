#pragma once

#include <QObject>
#include <QRect>

#include <memory>

class QMenu;
class QSystemTrayIcon;

// The one tray icon. A left click toggles the panel; the menu is there for hosts that never
// deliver a left click (GNOME's AppIndicator extension), with opening the panel first.
class TrayItem : public QObject {
    Q_OBJECT

public:
    explicit TrayItem(QObject* parent = nullptr);
    ~TrayItem() override;

    static bool available();
    void show();
    // Where the host placed the icon; empty or (0,0) when it does not say.
    QRect iconGeometry() const;

Q_SIGNALS:
    void clicked();
    void openRequested();
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon();

    std::unique_ptr<QMenu> menu;
    std::unique_ptr<QSystemTrayIcon> icon;
};
