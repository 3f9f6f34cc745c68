#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>

// The frameless pop-up that holds the panel under the tray icon. A click elsewhere or Escape
// closes it; it keeps the panel (and so a running interval) while closed.
class PanelWindow : public QWidget {
    Q_OBJECT

public:
    explicit PanelWindow(QWidget* content);

    // Opens at the icon (or the cursor when the icon's place is unknown), or closes if open.
    void toggle(QRect iconGeometry);
    void open(QRect iconGeometry);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QWidget* content;
    QRect anchor;
    QElapsedTimer sinceHidden;
};
