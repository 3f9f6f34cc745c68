#include "platform/timer_icon.h"
#include "platform/tray_item.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cmath>

namespace {

double luminance(QRgb pixel)
{
    auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

QImage onPanel(const QIcon& icon, QColor panel, int size)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(panel);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, icon.pixmap(size, size));
    return image;
}

// The share of the icon's pixels that stand out from the panel by WCAG's 3:1 for graphics.
double contrastingShare(const QImage& image, QColor panel)
{
    const double background = luminance(panel.rgb());
    int contrasting = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double l = luminance(image.pixel(x, y));
            contrasting += (std::max(l, background) + 0.05) / (std::min(l, background) + 0.05) >= 3.0;
        }
    return double(contrasting) / (image.width() * image.height());
}

int reddish(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qRed(p) > 180 && qGreen(p) < 100 && qBlue(p) < 100;
        }
    return count;
}

} // namespace

// Whatever the desktop's text colour and the panel's, the symbol keeps an outline of 3:1; the
// XEmbed tray gets these pixels as they are.
TEST(TrayIcon, ReadableOnDarkAndLightPanelsIdleAndTracking)
{
    for (const QColor panel : {QColor(0x1d, 0x1d, 0x1d), QColor(0xf0, 0xf0, 0xf0)})
        for (const QColor text : {QColor(Qt::black), QColor(0xee, 0xee, 0xee)})
            for (const bool tracking : {false, true})
                for (const int size : {16, 22, 32}) {
                    const QImage image = onPanel(timerIcon(text, tracking), panel, size);
                    EXPECT_GE(contrastingShare(image, panel), 0.18)
                        << "panel " << panel.name().toStdString() << ", text " << text.name().toStdString()
                        << ", tracking " << tracking << ", " << size << " px";
                    EXPECT_EQ(reddish(image) >= size / 2, tracking) << "the running mark, " << size << " px";
                }
}

// Some systems ship Qt's SVG plugins apart (Debian 13): the symbols are drawn and named without them.
TEST(TrayIcon, SymbolsDrawAndAreNamedWithoutQtsSvgPlugins)
{
    QCoreApplication::setLibraryPaths({});
    ASSERT_TRUE(QIcon(QStringLiteral(":/icons/trash.svg")).pixmap(22).isNull()) << "the plugins are still found";
    EXPECT_GE(contrastingShare(onPanel(timerIcon(Qt::black), Qt::white, 22), Qt::white), 0.1);
    TempFolder data;
    data.write(data.file(QStringLiteral("icons/hicolor/scalable/apps/tockles-symbolic.svg")), "<svg/>");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    qputenv("XDG_DATA_DIRS", data.file(QStringLiteral("system")).toUtf8()); // not this machine's install
    EXPECT_EQ(timerIcon(Qt::black).name(), QStringLiteral("tockles-symbolic")) << "installed for the tray's host";
    EXPECT_EQ(timerIcon(Qt::black, true).name(), QString());
}

// Qt draws an XEmbed icon's tooltip itself, asking the item for it first, and reads text that
// looks like markup as markup; StatusNotifierItem hosts, which never ask, take the text as it is.
TEST(TrayIcon, TheTooltipShowsANameAsTyped)
{
    const auto shown = [](const QString& tip) {
        QTextDocument document;
        document.setHtml(tip);
        return Qt::mightBeRichText(tip) ? document.toPlainText() : tip;
    };
    TrayItem item;
    auto* icon = item.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    const QString tip = QStringLiteral("Tockles — <b>Bold</b> & <Header> fix 00:00:01");
    item.showState({true, tip, QStringLiteral("Stop"), true});
    EXPECT_EQ(icon->toolTip(), tip);
    QHelpEvent request(QEvent::ToolTip, {}, {});
    QCoreApplication::sendEvent(icon, &request);
    EXPECT_EQ(shown(icon->toolTip()), tip);
    const QString twoLines = tip + QStringLiteral("\nNot saved yet");
    item.showState({true, twoLines, QStringLiteral("Stop"), true});
    EXPECT_EQ(shown(icon->toolTip()), twoLines);
}
