#include "platform/accessibility.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QWidget>

namespace {

// The widget that speaks announcements: nothing on the screen, a notification to readers, said
// as it shows. It goes with its window, so that the window's next showing does not say it again.
const QLatin1String announcementName("announcement");

class Announcement : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void hideEvent(QHideEvent*) override
    {
        if (!isHidden())
            hide();
    }
};

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

// A combo box that also offers its current choice as text. Qt's own one offers it as its name
// only, and readers take the name from the label; those that lack the selection interfaces
// (Orca with Qt before 6.5) then read the value from the text, and without it say nothing of the
// picked choice.
class ComboBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name || t == QAccessible::Value ? current() : QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

    QString text(int start, int end) const override { return current().mid(start, end - start); }
    int characterCount() const override { return int(current().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
    QString current() const { return box()->currentText(); }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (object == qApp)
        return new ApplicationAccessible;
    // Not a dialog: readers say a dialog's name before all that is said in it.
    if (className == QLatin1String("PanelWindow"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (className == QLatin1String("ElidingComboBox"))
        return new ComboBoxAccessible(static_cast<QComboBox*>(object));
    if (className == QLatin1String("ContentView"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Pane);
    if (className == QLatin1String("QWidget") && object->objectName() == announcementName)
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
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

void announce(QWidget* within, const QString& text)
{
    if (!within->isVisible())
        return;
    QWidget* window = within->window();
    auto* announcement = window->findChild<QWidget*>(announcementName, Qt::FindDirectChildrenOnly);
    if (!announcement) {
        announcement = new Announcement(window);
        announcement->setObjectName(announcementName);
        announcement->setGeometry(0, 0, 0, 0);
    }
    announcement->hide();
    announcement->setAccessibleName(text);
    announcement->show();
}

} // namespace platform
