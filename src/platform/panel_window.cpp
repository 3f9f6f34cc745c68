#include "platform/panel_window.h"

#include "platform/popup_placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {
// The click on the icon that closed the pop-up (as a click outside it) arrives again as the
// icon's own click; within this time it must not reopen the panel.
constexpr qint64 reopenGuardMs = 300;
} // namespace

PanelWindow::PanelWindow(QWidget* content)
    : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), content(content)
{
    setObjectName(QStringLiteral("panelWindow"));
    setAccessibleName(tr("Tockles"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content);
    content->installEventFilter(this);
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
    anchor = iconGeometry;
    if (!isVisible()) {
        place();
        show();
    }
    raise();
    activateWindow();
    content->setFocus(Qt::PopupFocusReason);
}

void PanelWindow::place()
{
    adjustSize();
    const QPoint cursor = QCursor::pos();
    const QPoint probe = iconGeometryKnown(anchor) ? anchor.center() : cursor;
    QScreen* screen = QGuiApplication::screenAt(probe);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(popupPosition(size(), anchor, cursor, screen->availableGeometry()));
}

void PanelWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
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
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The panel grows and shrinks with its content; keep it anchored and on screen.
    if (watched == content && event->type() == QEvent::Resize && isVisible())
        QMetaObject::invokeMethod(this, &PanelWindow::place, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}
