#include "qt/DeferredRefresh.h"

#include <QCoreApplication>
#include <QEvent>

namespace lumra {

DeferredRefresh::DeferredRefresh(QObject* watched, std::function<void()> refresh)
    : QObject(watched), m_refresh(std::move(refresh)) {
    if (watched != nullptr)
        watched->installEventFilter(this);
}

void DeferredRefresh::observe(const ObservableObject& object) {
    m_subscriptions.push_back(object.subscribeWillChange([this] { schedule(); }));
}

namespace {

const QEvent::Type refreshEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

void DeferredRefresh::schedule() {
    if (m_scheduled)
        return;
    m_scheduled = true;
    // Posted to this object (a helper destroyed before it runs cancels it)
    // below the normal priority: the work already queued, the main actor's
    // hops of the same reading among it, runs and publishes first, and the
    // burst redraws once. Paints are posted at this priority too, after it.
    QCoreApplication::postEvent(this, new QEvent(refreshEvent), Qt::LowEventPriority);
}

bool DeferredRefresh::event(QEvent* event) {
    if (event->type() != refreshEvent)
        return QObject::event(event);
    run();
    return true;
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
