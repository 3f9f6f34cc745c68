#include "app/tockles_app.h"

#include "panel/content_view.h"
#include "platform/desktop_file_viewer.h"
#include "platform/panel_window.h"
#include "platform/single_instance.h"
#include "platform/timer_icon.h"
#include "platform/tray_item.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QVBoxLayout>

namespace {

// The window used where there is no tray: closing it ends the program.
class FallbackWindow : public QWidget {
public:
    explicit FallbackWindow(QWidget* content)
    {
        setObjectName(QStringLiteral("fallbackWindow"));
        setWindowTitle(QStringLiteral("Tockles"));
        setWindowIcon(timerIcon(palette().color(QPalette::WindowText)));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(content);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        QCoreApplication::quit();
    }
};

} // namespace

void AppDelegate::applicationDidFinishLaunching()
{
    ++launches;
    // Only the tray keeps the program alive, not its windows.
    QApplication::setQuitOnLastWindowClosed(false);
}

TocklesApp::TocklesApp() = default;
TocklesApp::~TocklesApp() = default;

int TocklesApp::run()
{
    StoreEnvironment environment = StoreEnvironment::system();
    if (environment.applicationSupportDirectory) {
        instance = std::make_unique<SingleInstance>(
            QDir(*environment.applicationSupportDirectory).filePath(QStringLiteral("Tockles")));
        if (!instance->claim())
            return 0;
        connect(instance.get(), &SingleInstance::showRequested, this, &TocklesApp::showPanel);
    }
    environment.fileViewer = std::make_shared<DesktopFileViewer>();
    panel = new ContentView(std::move(environment));
    connect(panel, &ContentView::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    buildScene();
    QMetaObject::invokeMethod(&appDelegate, &AppDelegate::applicationDidFinishLaunching, Qt::QueuedConnection);
    QApplication::exec();
    return 0;
}

void TocklesApp::buildScene()
{
    if (!TrayItem::available()) {
        window = std::make_unique<FallbackWindow>(panel);
        window->show();
        return;
    }
    popup = std::make_unique<PanelWindow>(panel);
    tray = std::make_unique<TrayItem>();
    connect(tray.get(), &TrayItem::clicked, this, [this] { popup->toggle(tray->iconGeometry()); });
    connect(tray.get(), &TrayItem::openRequested, this, &TocklesApp::showPanel);
    connect(tray.get(), &TrayItem::quitRequested, qApp, &QCoreApplication::quit);
    tray->show();
}

void TocklesApp::showPanel()
{
    if (popup) {
        popup->open(tray->iconGeometry());
    } else if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}
