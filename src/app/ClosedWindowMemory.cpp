#include "app/ClosedWindowMemory.h"

#include "platform/process/FreedMemory.h"

#include <QBackingStore>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace lumra {

namespace {

class ClosedWindowMemory final : public QObject {
public:
    explicit ClosedWindowMemory(QWidget* window) : QObject(window) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous()) {
            // After the hide has run its course.
            QTimer::singleShot(0, this, [window = QPointer(static_cast<QWidget*>(watched))] {
                if (!window || window->isVisible())
                    return;
                if (QBackingStore* store = window->backingStore())
                    store->resize(QSize(1, 1));
                returnFreedMemoryToSystem();
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void releaseMemoryWhenClosed(QWidget* window) {
    new ClosedWindowMemory(window);
}

} // namespace lumra
