#include "platform/appearance.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QStyle>

namespace {

const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settings = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorScheme = QStringLiteral("color-scheme");
constexpr uint preferDark = 1;

} // namespace

DesktopAppearance::DesktopAppearance(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), light(QApplication::palette())
{
    if (light != QApplication::style()->standardPalette())
        return;
    QDBusConnection connection(bus);
    connection.connect(portal, portalPath, settings, QStringLiteral("SettingChanged"), this,
                       SLOT(settingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(portal, portalPath, settings, QStringLiteral("Read"));
    read << appearance << colorScheme;
    // Not waited for: a portal started on demand takes its time, and the panel is not shown yet.
    auto* reply = new QDBusPendingCallWatcher(connection.asyncCall(read), this);
    connect(reply, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage message = call->reply();
        if (message.type() == QDBusMessage::ReplyMessage && !message.arguments().isEmpty())
            follow(message.arguments().constFirst());
    });
}

void DesktopAppearance::settingChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() == 3 && arguments[0].toString() == appearance && arguments[1].toString() == colorScheme)
        follow(arguments[2]);
}

void DesktopAppearance::follow(QVariant scheme)
{
    // Portals before 1.17 wrap the value in a second variant.
    for (int i = 0; i < 3 && scheme.canConvert<QDBusVariant>(); ++i)
        scheme = qvariant_cast<QDBusVariant>(scheme).variant();
    const bool nowDark = scheme.typeId() == QMetaType::UInt && scheme.toUInt() == preferDark;
    if (nowDark == dark)
        return;
    dark = nowDark;
    QApplication::setPalette(dark ? darkPalette() : light);
}

QPalette DesktopAppearance::darkPalette()
{
    const QColor windowText(240, 240, 240);
    const QColor background(0x32, 0x32, 0x32);
    const QColor light = background.lighter(150);
    const QColor mid = background.darker(130);
    const QColor midLight = mid.lighter(110);
    const QColor base = background.darker(140);
    const QColor dark = background.darker(150);
    const QColor shadow = dark.darker(135);
    const QColor highlight(48, 140, 198);
    const QColor disabledText(0xbe, 0xbe, 0xbe);
    QColor placeholder = windowText;
    placeholder.setAlpha(128);

    QPalette palette(windowText, background, light, dark, mid, windowText, windowText, base, background);
    palette.setBrush(QPalette::Midlight, midLight);
    palette.setBrush(QPalette::Button, background);
    palette.setBrush(QPalette::Shadow, shadow);
    palette.setBrush(QPalette::HighlightedText, windowText);
    palette.setBrush(QPalette::PlaceholderText, placeholder);
    palette.setBrush(QPalette::Link, highlight.lighter(130));
    palette.setBrush(QPalette::LinkVisited, highlight.lighter(110));
    palette.setBrush(QPalette::ToolTipBase, background.lighter(120));
    palette.setBrush(QPalette::ToolTipText, windowText);
    palette.setBrush(QPalette::Disabled, QPalette::Text, disabledText.darker(140));
    palette.setBrush(QPalette::Disabled, QPalette::WindowText, disabledText.darker(140));
    palette.setBrush(QPalette::Disabled, QPalette::ButtonText, disabledText.darker(140));
    palette.setBrush(QPalette::Disabled, QPalette::Base, background);
    palette.setBrush(QPalette::Disabled, QPalette::Shadow, shadow.lighter(150));
    palette.setBrush(QPalette::Active, QPalette::Highlight, highlight);
    palette.setBrush(QPalette::Inactive, QPalette::Highlight, highlight);
    palette.setBrush(QPalette::Disabled, QPalette::Highlight, QColor(145, 145, 145));
    return palette;
}
