#include "app/tockles_app.h"
#include "app/translations.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The program logs nothing, Qt's own warnings included.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tockles"));
    QApplication::setDesktopFileName(QStringLiteral("tockles"));
    installTranslations(app);
    TocklesApp tockles;
    tockles.run();
    return 0;
}
