#include "platform/tray_item.h"

#include "platform/timer_icon.h"
#include "platform/x11.h"

#include <QApplication>
#include <QDBusMessage>
#include <QMenu>
#include <QPalette>
#include <QSystemTrayIcon>

// QtDBus calls this hook on the GUI thread with every incoming method call, before delivering
// it. Qt's own StatusNotifierItem drops the point that Activate(x, y) carries; it is the only
// word of where the icon is under a Wayland compositor, so it is read here.
Q_DBUS_EXPORT void qDBusAddSpyHook(void (*)(const QDBusMessage&));

namespace {

std::optional<QPoint> lastActivation;

void noteActivation(const QDBusMessage& message)
{
    if (message.interface() != QLatin1String("org.kde.StatusNotifierItem"))
        return;
    const QList<QVariant> args = message.arguments();
    // GNOME's AppIndicator extension begins a launch, with a busy pointer, before every click it
    // passes on, and hands over its id. Qt keeps the id for Wayland alone; an X client that does
    // not report the launch complete leaves the pointer busy for seconds after each click.
    if (message.member() == QLatin1String("ProvideXdgActivationToken") && args.size() == 1) {
        platform::x11CompleteLaunch(args[0].toString());
        return;
    }
    if (message.member() != QLatin1String("Activate") || args.size() != 2)
        return;
    const QPoint point(args[0].toInt(), args[1].toInt());
    // Some hosts send (0, 0) when they do not know.
    lastActivation = point.isNull() ? std::nullopt : std::optional(point);
}

// A label, such as "Stop (R&D_2027)", that shows as it is. Qt's own menu reads "&" as the
// mnemonic mark. A menu exported to a StatusNotifierItem host goes as dbusmenu, where "__" is
// an underscore and a single "_" the mark, and where Qt turns the first "&" into that mark and
// passes the rest on: a mark put first (the entry's first letter) keeps the label's own.
QString menuText(QString label, bool exported)
{
    if (!exported)
        return label.replace(QLatin1Char('&'), QStringLiteral("&&"));
    label.replace(QLatin1Char('_'), QStringLiteral("__"));
    return label.contains(QLatin1Char('&')) ? QLatin1Char('&') + label : label;
}

// A plain text that any rich-text reader shows character for character, line for line.
QString asMarkup(const QString& plain)
{
    return QStringLiteral("<p>") + plain.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"))
        + QStringLiteral("</p>");
}

} // namespace

TrayItem::TrayItem(QObject* parent)
    : QObject(parent), menu(std::make_unique<QMenu>()),
      icon(std::make_unique<QSystemTrayIcon>(this))
{
    static const bool hooked = (qDBusAddSpyHook(noteActivation), true);
    Q_UNUSED(hooked);
    state.toolTip = tr("Tockles");
    icon->setToolTip(state.toolTip);
    icon->installEventFilter(this);
    QAction* open = menu->addAction(tr("Open Tockles"));
    toggle = menu->addAction(QString());
    toggle->setVisible(false);
    menu->addSeparator();
    QAction* quit = menu->addAction(tr("Quit"));
    connect(open, &QAction::triggered, this, &TrayItem::openRequested);
    connect(toggle, &QAction::triggered, this, &TrayItem::toggleRequested);
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

void TrayItem::show()
{
    icon->show();
}

void TrayItem::showState(const TrayState& next)
{
    if (next == state)
        return;
    const bool iconChanges = next.tracking != state.tracking;
    icon->setToolTip(toolTipMarkup ? asMarkup(next.toolTip) : next.toolTip);
    toggle->setText(menuText(next.toggleLabel, menu->platformMenu() != nullptr));
    toggle->setVisible(!next.toggleLabel.isEmpty());
    toggle->setEnabled(next.toggleEnabled);
    if (next.unsaved && !state.unsaved)
        icon->showMessage(cannotSaveTitle(), cannotSaveText(), QSystemTrayIcon::Warning);
    state = next;
    if (iconChanges)
        updateIcon();
}

QString TrayItem::cannotSaveTitle()
{
    return tr("Tockles cannot save");
}

QString TrayItem::cannotSaveText()
{
    return tr("Your latest changes are kept and saved as soon as the data folder can be written and read again; "
              "if you quit Tockles meanwhile, when you start it again. Logging out before then loses them.");
}

void TrayItem::tell(const QString& title, const QString& text)
{
    icon->showMessage(title, text, QSystemTrayIcon::Information);
}

QRect TrayItem::iconGeometry() const
{
    return icon->geometry();
}

std::optional<QPoint> TrayItem::activationPoint() const
{
    return lastActivation;
}

bool TrayItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    // An XEmbed icon's tooltip is drawn by Qt, which takes a name such as "<Header> fix" for
    // markup and drops the word; a StatusNotifierItem host shows the text as plain, as it
    // should. Only the XEmbed icon asks the item for its tooltip, just before showing it, so
    // the first request switches to an escaped form, in time for that very tooltip.
    if (watched == icon.get() && event->type() == QEvent::ToolTip && !toolTipMarkup) {
        toolTipMarkup = true;
        icon->setToolTip(asMarkup(state.toolTip));
    }
    return false;
}

void TrayItem::updateIcon()
{
    QIcon glyph = timerIcon(QApplication::palette().color(QPalette::WindowText), state.tracking);
    glyph.setIsMask(true);
    icon->setIcon(glyph);
}
