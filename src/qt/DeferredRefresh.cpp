#include "qt/DeferredRefresh.h"

#include <QEvent>
#include <QMetaObject>

namespace lumra {

DeferredRefresh::DeferredRefresh(QObject* watched, std::function<void()> refresh)
    : QObject(watched), m_refresh(std::move(refresh)) {
    if (watched != nullptr)
        watched->installEventFilter(this);
}

void DeferredRefresh::observe(const ObservableObject& object) {
    m_subscriptions.push_back(object.subscribeWillChange([this] { schedule(); }));
}

void DeferredRefresh::schedule() {
    if (m_scheduled)
        return;
    m_scheduled = true;
    // Queued to this object: a helper destroyed before it runs cancels it.
    QMetaObject::invokeMethod(
        this, [this] { run(); }, Qt::QueuedConnection);
}

void DeferredRefresh::run() {
    m_scheduled = false;
    if (m_refresh)
        m_refresh();
}

bool DeferredRefresh::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::LocaleChange)
        schedule();
    return QObject::eventFilter(watched, event);
}

} // namespace lumra
