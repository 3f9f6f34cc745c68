#include "platform/tray_item.h"

#include "platform/timer_icon.h"

#include <QApplication>
#include <QMenu>
#include <QPalette>
#include <QSystemTrayIcon>

TrayItem::TrayItem(QObject* parent)
    : QObject(parent), menu(std::make_unique<QMenu>()), icon(std::make_unique<QSystemTrayIcon>())
{
    icon->setToolTip(tr("Tockles"));
    QAction* open = menu->addAction(tr("Open Tockles"));
    menu->addSeparator();
    QAction* quit = menu->addAction(tr("Quit"));
    connect(open, &QAction::triggered, this, &TrayItem::openRequested);
    connect(quit, &QAction::triggered, this, &TrayItem::quitRequested);
    icon->setContextMenu(menu.get());
    connect(icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT clicked();
    });
    updateIcon();
    // A theme switch between light and dark repaints the symbol in the new text colour.
    qApp->installEventFilter(this);
}

TrayItem::~TrayItem() = default;

bool TrayItem::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayItem::show()
{
    icon->show();
}

QRect TrayItem::iconGeometry() const
{
    return icon->geometry();
}

bool TrayItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    return false;
}

void TrayItem::updateIcon()
{
    QIcon glyph = timerIcon(QApplication::palette().color(QPalette::WindowText));
    glyph.setIsMask(true);
    icon->setIcon(glyph);
}
