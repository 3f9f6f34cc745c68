#include "app/tockles_app.h"
#include "app/translations.h"
#include "platform/accessibility.h"
#include "platform/session.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // The program logs nothing, Qt's own warnings included; only a start that cannot succeed
    // (no display, no platform plugin) says why, and ends without a core dump.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        // Qt says why just before it gives up ("could not connect to display"), as warnings; from
        // 6.5 on, a hint about a library and the plugin's name follow, which alone mislead.
        // Never destroyed: Qt warns as its own statics go at exit (6.8: QThreadStorage), after ours.
        static QStringList& lastWarnings = *new QStringList;
        if (type != QtFatalMsg) {
            lastWarnings.append(message);
            if (lastWarnings.size() > 3)
                lastWarnings.removeFirst();
            return;
        }
        lastWarnings.append(message.section(QLatin1Char('\n'), 0, 0));
        for (const QString& line : std::as_const(lastWarnings))
            std::fprintf(stderr, "tockles: %s\n", line.toLocal8Bit().constData());
        std::_Exit(EXIT_FAILURE);
    });
    platform::choosePlatformPlugin();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tockles"));
    QApplication::setDesktopFileName(QStringLiteral("tockles"));
    installTranslations(app);
    platform::installAccessibility();
    TocklesApp tockles;
    tockles.run();
    return 0;
}
