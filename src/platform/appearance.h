#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPalette>

// The desktop's choice between light and dark, as its settings portal tells it (GNOME's and
// Plasma's both do), followed as it changes. Qt 6.4 reads it nowhere: on a dark GNOME the panel
// stayed light. Where the desktop's Qt theme already gives a palette of its own (Plasma's
// colours, qt6ct), or another style was chosen, that is left as it is, and Qt's KDE theme hears of
// each change of Plasma's scheme. Whatever the colours, the dimmed texts stay readable: Qt 6.4
// keeps its light default for them under Plasma's dark schemes.
class DesktopAppearance : public QObject {
    Q_OBJECT

public:
    explicit DesktopAppearance(const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // Qt's own colours for a dark desktop, as its later releases have them.
    static QPalette darkPalette();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void settingChanged(const QDBusMessage& message);

private:
    void follow(QVariant scheme);

    QDBusConnection connection;
    QPalette light;
    const bool themed;
    bool dark = false;
};
