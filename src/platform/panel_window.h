#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QTimer>
#include <QWidget>

// The window that holds the panel at the tray icon. A click elsewhere or Escape closes it; it
// keeps the panel (and so a running interval) while closed.
class PanelWindow : public QWidget {
    Q_OBJECT

public:
    enum class Style {
        // An X pop-up: placed at the icon, grabs the pointer, closes on a click outside.
        Popup,
        // Under XWayland a pop-up neither shows nor gets the keyboard; a frameless window the
        // compositor manages does both, and closes when it loses the focus.
        AnchoredWindow,
        // Native Wayland gives no client a place on screen: a small window the user can move
        // and close, titled "Tockles".
        Window,
    };

    explicit PanelWindow(QWidget* content, Style style = Style::Popup);

    // Opens at the icon (or the cursor when the icon's place is unknown), or closes if open.
    void toggle(QRect iconGeometry);
    void open(QRect iconGeometry);
    // Another program takes the desktop's focus (the file manager showing an export): a panel
    // standing in for a pop-up closes, as a pop-up does when its program loses the focus.
    void stepAside();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void dismiss();
    void place();
    void showAtAnchor();
    void openAfterFocusNews();
    void takeGrab();

    QWidget* content;
    Style style;
    QRect anchor;
    QElapsedTimer sinceHidden;
    bool awaitingFocusNews = false;
    QTimer focusNewsWait;
    QTimer grabRetry;
    int grabTries = 0;
};
