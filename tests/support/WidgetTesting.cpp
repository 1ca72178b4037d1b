#include "tests/support/WidgetTesting.h"

#include "qt/CrossFade.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <limits>

namespace lumra::test {

namespace {

void settleCrossFades(QWidget* widget) {
    // CrossFade has no meta-object of its own, so findChildren cannot pick it.
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        auto* fade = dynamic_cast<CrossFade*>(child);
        if (fade && fade->isRunning())
            fade->animation().frameAt(std::numeric_limits<double>::infinity());
    }
}

} // namespace

QString saveScreen(QWidget* widget, const QString& name, Motion motion) {
    if (motion == Motion::settled)
        settleCrossFades(widget);
    const QString directory = QStringLiteral(LUMRA_SCREENS_DIR);
    QDir().mkpath(directory);
    const QString path = directory + QLatin1Char('/') + name + QStringLiteral(".png");
    // Layouts invalidated by a change just made (a row hidden) are redone
    // first, as the event loop would before painting.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    widget->grab().save(path);
    return path;
}

bool saveScreenWithFocus(QWidget* window, QWidget* control, const QString& name) {
    window->show();
    QApplication::setActiveWindow(window);
    control->setFocus(Qt::TabFocusReason);
    const bool focused = control->hasFocus();
    saveScreen(window, name);
    control->clearFocus();
    return focused;
}

void processQueuedEvents() {
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

QStringList labelsReadingMarkup(const QWidget* root) {
    QStringList found;
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (!label->text().isEmpty() && label->textFormat() != Qt::PlainText)
            found.append(label->objectName().isEmpty() ? label->text() : label->objectName());
    }
    return found;
}

} // namespace lumra::test
