#include "panel/panel_style.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QPalette>

namespace panel_style {

namespace {

QFont scaled(QFont font, const QFont& base, double factor)
{
    font.setPointSizeF(base.pointSizeF() * factor);
    return font;
}

// The dimmed colour is set on the widget, so it would stay as it was when the desktop turns from
// light to dark: it is taken again whenever the colours the widget inherits change.
class Secondary : public QObject {
public:
    using QObject::QObject;
    static void apply(QWidget* widget)
    {
        QPalette palette = widget->palette();
        bool changed = false;
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            const QColor dimmed = palette.color(group, QPalette::PlaceholderText);
            changed |= palette.color(group, QPalette::WindowText) != dimmed;
            palette.setColor(group, QPalette::WindowText, dimmed);
        }
        if (changed) // setting it changes the palette again
            widget->setPalette(palette);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange)
            apply(static_cast<QWidget*>(watched));
        return false;
    }
};

} // namespace

QFont titleMonospaced()
{
    const QFont base;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return scaled(font, base, 1.6);
}

QFont caption(const QFont& base) { return scaled(base, base, 0.9); }

QFont caption2(const QFont& base) { return scaled(base, base, 0.8); }

QFont captionMonospaced(const QFont& base)
{
    return scaled(QFontDatabase::systemFont(QFontDatabase::FixedFont), base, 0.9);
}

void makeSecondary(QWidget* widget)
{
    Secondary::apply(widget);
    widget->installEventFilter(new Secondary(widget));
}

QWidget* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace panel_style
