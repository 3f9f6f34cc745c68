#include "platform/accessibility.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFrame>
#include <QWidget>

namespace {

class ApplicationAccessible : public QAccessibleObject {
public:
    ApplicationAccessible() : QAccessibleObject(qApp) {}

    QWindow* window() const override { return nullptr; }
    QAccessibleInterface* parent() const override { return nullptr; }
    int childCount() const override { return int(windows().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QWidgetList list = windows();
        return index >= 0 && index < list.size() ? QAccessible::queryAccessibleInterface(list[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(windows().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? QAccessible::queryAccessibleInterface(focus) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? QCoreApplication::applicationName() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Application; }
    QAccessible::State state() const override { return {}; }

private:
    // Every shown window, pop-ups included.
    static QWidgetList windows()
    {
        QWidgetList list;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowType() != Qt::ToolTip && w->windowType() != Qt::Desktop)
                list.append(w);
        }
        return list;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (object == qApp)
        return new ApplicationAccessible;
    if (className == QLatin1String("PanelWindow"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Dialog);
    if (className == QLatin1String("ContentView"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Pane);
    if (className == QLatin1String("QFrame")) {
        auto* frame = static_cast<QFrame*>(object);
        if (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine)
            return new QAccessibleWidget(frame, QAccessible::Separator);
    }
    return nullptr;
}

} // namespace

namespace platform {

void installAccessibility()
{
    QAccessible::installFactory(factory);
}

} // namespace platform
