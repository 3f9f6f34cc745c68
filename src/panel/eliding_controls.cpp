#include "panel/eliding_controls.h"

#include "panel/panel_rules.h"
#include "platform/accessibility.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <utility>

namespace {

QString escapedMnemonics(QString text)
{
    // A button reads "&" as a mnemonic marker; a project named "R&D" must show as it is.
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

void ElidingButton::setLabel(const QString& newBefore, const QString& newElidable, const QString& newAfter)
{
    const QString whole = newBefore + newElidable + newAfter;
    if (accessibleName() != whole)
        setAccessibleName(whole);
    if (newBefore == before && newElidable == elidable && newAfter == after)
        return;
    before = newBefore;
    elidable = newElidable;
    after = newAfter;
    refit();
}

QString ElidingButton::shownText() const
{
    return QString(text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void ElidingButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    refit();
}

void ElidingButton::refit()
{
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    const QFontMetrics metrics = fontMetrics();
    // The room the style leaves for the text, less a margin on each side.
    const int room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).width()
                     - 2 * style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this);
    QString middle = elidable;
    if (metrics.horizontalAdvance(before + elidable + after) > room) {
        const int left = room - metrics.horizontalAdvance(before + after);
        middle = metrics.elidedText(elidable, Qt::ElideRight, std::max(left, 0));
    }
    const QString shown = middle.isEmpty() ? before + after : before + isolatedName(middle) + after;
    const QString label = escapedMnemonics(shown);
    if (text() != label)
        setText(label);
}

QString ElidingComboBox::shownText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width());
}

void ElidingComboBox::showPopup()
{
    // The list is as wide as its longest name, and one long name would stretch it across the
    // screen. Beyond twice the panel's width names are cut in the middle, keeping both their
    // start and their end, where names of one client or one project phase differ.
    view()->setTextElideMode(Qt::ElideMiddle);
    QComboBox::showPopup();
    QWidget* list = view()->window();
    const int widest = std::max(width(), 2 * window()->width());
    if (list == window() || list->width() <= widest)
        return;
    const QRect screen = this->screen()->availableGeometry();
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    int x = layoutDirection() == Qt::RightToLeft ? origin.x() + width() - widest : origin.x();
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - widest));
    list->setGeometry(x, list->y(), widest, list->height());
}

void ElidingComboBox::hidePopup()
{
    QComboBox::hidePopup();
    // A key that closes the list (Escape, Return) reaches the picker too once the list is gone,
    // and Escape would go on to close the whole panel. Only that same key finds the mark.
    listJustClosed = true;
    QMetaObject::invokeMethod(this, [this] { listJustClosed = false; }, Qt::QueuedConnection);
}

void ElidingComboBox::keyPressEvent(QKeyEvent* event)
{
    if (std::exchange(listJustClosed, false)) {
        event->accept();
        return;
    }
    const int before = currentIndex();
    QComboBox::keyPressEvent(event);
    // A choice changed with the list closed goes unheard by readers without Qt's selection
    // interface.
    if (currentIndex() != before && !view()->isVisible())
        platform::announce(this, currentText());
}

void ElidingComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
