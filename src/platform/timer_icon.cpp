#include "platform/timer_icon.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

QByteArray recoloured(const QByteArray& svg, const QColor& color, double width)
{
    QByteArray out = svg;
    out.replace("stroke=\"#000\"", "stroke=\"" + color.name().toLatin1() + "\"");
    out.replace("stroke-width=\"2\"", "stroke-width=\"" + QByteArray::number(width) + "\"");
    return out;
}

} // namespace

QIcon timerIcon(const QColor& color)
{
    QFile file(QStringLiteral(":/icons/timer.svg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray svg = file.readAll();
    const QColor halo = color.lightnessF() < 0.5 ? QColor(255, 255, 255, 150) : QColor(0, 0, 0, 150);
    QSvgRenderer haloRenderer(recoloured(svg, halo, 3.6));
    QSvgRenderer glyphRenderer(recoloured(svg, color, 2));
    QIcon icon;
    for (int size : {16, 20, 22, 24, 32, 44, 48, 64, 96, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(halo.alphaF());
        haloRenderer.render(&painter);
        painter.setOpacity(1.0);
        glyphRenderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
