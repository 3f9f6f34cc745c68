#include "panel/panel_style.h"

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
    QPalette palette = widget->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, palette.color(group, QPalette::PlaceholderText));
    widget->setPalette(palette);
}

QWidget* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace panel_style
