#include "platform/timer_icon.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <optional>

namespace {

// Red that keeps 3:1 against both a near-black and a near-white panel.
const QColor trackingRed(0xe0, 0x36, 0x2c);

QByteArray recoloured(const QByteArray& svg, const QColor& color, double width)
{
    QByteArray out = svg;
    out.replace("\"#000\"", "\"" + color.name().toLatin1() + "\"");
    out.replace("stroke-width=\"2\"", "stroke-width=\"" + QByteArray::number(width) + "\"");
    return out;
}

// Drawn with Qt's SVG renderer, which the program links, not through Qt's SVG image plugins: some
// systems ship those apart (Debian 13's qt6-svg-plugins), and without them an SVG icon is empty.
class DrawnIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        painter.end();
        QStyleOption option;
        option.palette = QApplication::palette();
        return mode == QIcon::Normal ? pixmap : QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
    }
};

class SvgIconEngine : public DrawnIconEngine {
public:
    explicit SvgIconEngine(const QString& resource) : resource(resource) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QSvgRenderer(resource).render(painter, rect);
        painter->restore();
    }
    // Drawn once a size, not at every repaint of its button.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const QString cacheKey = QStringLiteral("tockles-svg %1 %2x%3 %4 %5")
                                     .arg(resource)
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(int(mode))
                                     .arg(QApplication::palette().cacheKey());
        QPixmap pixmap;
        if (!QPixmapCache::find(cacheKey, &pixmap)) {
            pixmap = DrawnIconEngine::pixmap(size, mode, state);
            QPixmapCache::insert(cacheKey, pixmap);
        }
        return pixmap;
    }
    QString key() const override { return QStringLiteral("tockles-svg"); }
    QIconEngine* clone() const override { return new SvgIconEngine(*this); }

private:
    QString resource;
};

class TimerIconEngine : public DrawnIconEngine {
public:
    TimerIconEngine(const QColor& color, bool tracking) : color(color), tracking(tracking) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        QFile file(tracking ? QStringLiteral(":/icons/timer-tracking.svg") : QStringLiteral(":/icons/timer.svg"));
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray svg = file.readAll();
        // An opaque outline, so the glyph is bounded by a contrasting edge whatever the panel.
        const QColor halo = color.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QSvgRenderer(recoloured(svg, halo, 4.5)).render(painter, rect);
        QSvgRenderer(recoloured(svg, color, 2)).render(painter, rect);
        if (tracking) {
            const double unit = rect.width() / 24.0;
            painter->setPen(QPen(halo, 1.2 * unit));
            painter->setBrush(trackingRed);
            painter->drawEllipse(QPointF(rect.x() + 19 * unit, rect.y() + 17 * unit), 4.2 * unit, 4.2 * unit);
        }
        painter->restore();
    }

    // Looked up only when a tray asks, which an XEmbed tray never does. The host finds the symbol
    // in the icon theme by itself; Qt's own look-up would skip it without Qt's SVG plugins.
    QString iconName() override
    {
        if (!name) {
            const QString symbolic = tracking ? QStringLiteral("tockles-tracking-symbolic") : QStringLiteral("tockles-symbolic");
            const QString installed = QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(symbolic);
            const bool found = !QStandardPaths::locate(QStandardPaths::GenericDataLocation, installed).isEmpty();
            name = found ? symbolic : QString();
        }
        return *name;
    }
    QString key() const override { return QStringLiteral("tockles-timer"); }
    QIconEngine* clone() const override { return new TimerIconEngine(*this); }

private:
    QColor color;
    bool tracking;
    std::optional<QString> name;
};

} // namespace

QIcon timerIcon(const QColor& color, bool tracking)
{
    return QIcon(new TimerIconEngine(color, tracking));
}

QIcon svgIcon(const QString& resource)
{
    return QIcon(new SvgIconEngine(resource));
}
