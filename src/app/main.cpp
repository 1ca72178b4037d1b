// Lumra's entry point: the Qt application, the runtime with its main actor on
// the Qt event loop, and the status item in the system tray.
#include "concurrency/Runtime.h"
#include "qt/QtMainActorBinding.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace {

// A plain ring until the health icon arrives.
QIcon placeholderIcon() {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2.5));
    painter.drawEllipse(QRectF(3, 3, 16, 16));
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Lumra");
    QApplication::setQuitOnLastWindowClosed(false);

    lumra::Runtime runtime;
    lumra::QtMainActorBinding binding(runtime.mainActor());

    QMenu menu;
    menu.addAction(QObject::tr("Quit Lumra"), &application, &QCoreApplication::quit);
    QSystemTrayIcon statusItem(placeholderIcon());
    statusItem.setToolTip("Lumra");
    statusItem.setContextMenu(&menu);
    statusItem.show();

    QObject::connect(&application, &QCoreApplication::aboutToQuit, [&runtime] { runtime.shutdown(); });
    return QApplication::exec();
}
