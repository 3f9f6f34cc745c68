#include "panel/content_view.h"
#include "platform/desktop_file_viewer.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Tockles"));
    StoreEnvironment environment = StoreEnvironment::system();
    environment.fileViewer = std::make_shared<DesktopFileViewer>();
    ContentView view(environment);
    view.setWindowTitle(QStringLiteral("Tockles"));
    view.setWindowIcon(QIcon(QStringLiteral(":/icons/timer.svg")));
    QObject::connect(&view, &ContentView::quitRequested, &app, &QApplication::quit);
    view.show();
    return app.exec();
}
