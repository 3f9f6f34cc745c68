#include "platform/popup_placement.h"

#include <algorithm>

namespace {

constexpr int gap = 4;

int clampInto(int pos, int length, int lo, int hi)
{
    // When the panel is larger than the area, its top-left corner stays visible.
    return std::max(lo, std::min(pos, hi - length + 1));
}

} // namespace

bool iconGeometryKnown(QRect icon)
{
    return icon.isValid() && !icon.isEmpty() && icon.topLeft() != QPoint(0, 0);
}

QRect panelAnchor(QRect icon, std::optional<QPoint> pointer, QRect available)
{
    // MATE's panel, for one, names its own corner as the point clicked.
    const bool hostPoint = icon.size() == QSize(1, 1);
    if (iconGeometryKnown(icon) && !(hostPoint && pointer && !available.contains(*pointer)))
        return icon;
    return pointer ? QRect(*pointer, QSize(1, 1)) : icon;
}

QPoint trayEnd(QRect screen, QRect available)
{
    if (available.top() > screen.top())
        return {available.right(), available.top() - 1};
    if (available.bottom() < screen.bottom())
        return {available.right(), available.bottom() + 1};
    if (available.left() > screen.left())
        return {available.left() - 1, available.bottom()};
    if (available.right() < screen.right())
        return {available.right() + 1, available.bottom()};
    return available.center();
}

QRect workAreaOn(QRect screen, qreal scale, QRect desktopArea)
{
    // Qt keeps a screen's top-left corner in native pixels and scales its size.
    const QRect native(screen.topLeft(), screen.size() * scale);
    const QRect part = desktopArea & native;
    if (part.width() < native.width() / 2 || part.height() < native.height() / 2)
        return screen;
    return QRect(screen.topLeft() + (part.topLeft() - native.topLeft()) / scale, part.size() / scale) & screen;
}

QPoint popupPosition(QSize panel, QRect icon, QPoint fallback, QRect available)
{
    const QRect anchor = iconGeometryKnown(icon) ? icon : QRect(fallback, QSize(1, 1));
    int x = anchor.center().x() - panel.width() / 2;
    int y = anchor.bottom() + 1 + gap;
    if (anchor.right() < available.left()) {
        x = anchor.right() + 1 + gap;
        y = anchor.top();
    } else if (anchor.left() > available.right()) {
        x = anchor.left() - gap - panel.width();
        y = anchor.top();
    } else if (anchor.top() > available.bottom()
               || (anchor.bottom() >= available.top() && y + panel.height() - 1 > available.bottom())) {
        // A bottom bar, or no room below the anchor: open upwards.
        y = anchor.top() - gap - panel.height();
    }
    return {clampInto(x, panel.width(), available.left(), available.right()),
            clampInto(y, panel.height(), available.top(), available.bottom())};
}
