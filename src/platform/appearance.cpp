#include "platform/appearance.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {

const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settings = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorScheme = QStringLiteral("color-scheme");
constexpr uint preferDark = 1;

double luminance(const QColor& c)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// How a text in `text`, translucent or not, stands out from `background`: 1 to 21.
double contrast(const QColor& text, const QColor& background)
{
    const double a = text.alphaF();
    const QColor seen = QColor::fromRgbF(float(text.redF() * a + background.redF() * (1 - a)),
                                         float(text.greenF() * a + background.greenF() * (1 - a)),
                                         float(text.blueF() * a + background.blueF() * (1 - a)));
    const double one = luminance(seen), other = luminance(background);
    return (std::max(one, other) + 0.05) / (std::min(one, other) + 0.05);
}

// Qt's KDE theme sets the scheme's colours but leaves placeholders in the light default: dark on a
// dark field. Where they cannot be read, they become the text's colour half through, as Qt's own
// palettes have them. Only that role is set, so the theme's later changes still come through.
void keepPlaceholdersReadable()
{
    QPalette palette = QApplication::palette();
    bool changed = false;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        if (contrast(palette.color(group, QPalette::PlaceholderText), palette.color(group, QPalette::Base)) >= 3.0)
            continue;
        QColor readable = palette.color(group, QPalette::Text);
        readable.setAlpha(128);
        palette.setColor(group, QPalette::PlaceholderText, readable);
        changed = true;
    }
    if (changed)
        QApplication::setPalette(palette);
}

} // namespace

DesktopAppearance::DesktopAppearance(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), connection(bus), light(QApplication::palette()),
      themed(light != QApplication::style()->standardPalette())
{
    keepPlaceholdersReadable();
    qApp->installEventFilter(this);
    connection.connect(portal, portalPath, settings, QStringLiteral("SettingChanged"), this,
                       SLOT(settingChanged(QDBusMessage)));
    if (themed)
        return;
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

bool DesktopAppearance::eventFilter(QObject* watched, QEvent* event)
{
    // Setting it again changes the palette once more, and then nothing is left to change.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        keepPlaceholdersReadable();
    return false;
}

void DesktopAppearance::settingChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 3 || arguments[0].toString() != appearance || arguments[1].toString() != colorScheme)
        return;
    if (!themed) {
        follow(arguments[2]);
        return;
    }
    // Qt's KDE theme reads Plasma's colours again when the portal names the new scheme. Back on
    // the default scheme Plasma drops the name, the portal says only light or dark, and the panel
    // stayed dark: the theme is told itself, by a notice sent to this program alone.
    QDBusMessage notice = QDBusMessage::createTargetedSignal(connection.baseService(), portalPath, settings,
                                                             QStringLiteral("SettingChanged"));
    notice << QStringLiteral("org.kde.kdeglobals.General") << QStringLiteral("ColorScheme")
           << QVariant::fromValue(QDBusVariant(QString()));
    connection.send(notice);
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
