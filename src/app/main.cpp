// Lumra's entry point: one instance per user, the Qt application with the
// runtime's main actor on its event loop, the composition root started once
// the loop runs, and the quit path (the tray menu, the popover's Quit row,
// SIGTERM, SIGINT and SIGHUP): the shutdown sequence, then on-demand work is
// cancelled, child processes end and the runtime drains before any object
// is destroyed.
#include "app/AppDelegate.h"
#include "app/QuitSignals.h"
#include "app/SystemAppPlatform.h"
#include "app/WaylandPlatform.h"
#include "concurrency/Runtime.h"
#include "platform/instance/SingleInstanceLock.h"
#include "qt/QtMainActorBinding.h"
#include "qt/RasterThreads.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    const auto lock = lumra::SingleInstanceLock::acquire(
        lumra::SingleInstanceLock::defaultPath(lumra::ProcessInformation::current()));
    if (!lock) {
        std::fputs("Lumra is already running.\n", stderr);
        return 0;
    }
    if (const auto platform = lumra::preferredQtPlatform(lumra::ProcessInformation::current()))
        lumra::ProcessInformation::setProcessEnvironmentValue("QT_QPA_PLATFORM", *platform);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumra"));
    QApplication::setDesktopFileName(QStringLiteral("lumra"));
    QApplication::setQuitOnLastWindowClosed(false);
    lumra::limitRasterFillThreads();

    lumra::Runtime runtime;
    lumra::QtMainActorBinding binding(runtime.mainActor());
    lumra::QuitSignals quitSignals([] { QCoreApplication::quit(); });

    {
        auto delegate = lumra::AppDelegate::create(
            lumra::makeSystemAppPlatform([] { QCoreApplication::quit(); }));
        QTimer::singleShot(0, &application, [&delegate] { delegate->startUp(); });
        QObject::connect(&application, &QCoreApplication::aboutToQuit, &application,
                         [&delegate, &runtime] {
                             delegate->shutDown();
                             delegate->cancelOnDemandWork();
                             runtime.shutdown();
                         });
        QApplication::exec();
        // The delegate and everything it owns go here, after the runtime
        // has drained: no task frame refers to them any more.
    }
    return 0;
}
