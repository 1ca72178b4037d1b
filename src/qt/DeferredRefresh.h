// Redraws a view once per burst of changes: it listens to the will-change
// signals of the objects the view observes (and to locale changes of the
// view) and runs the refresh in one queued call on the Qt thread, by which
// time the new values are stored (inside a will-change callback the old
// state is still there). Main thread.
#pragma once

#include "concurrency/Published.h"

#include <QObject>
#include <functional>
#include <vector>

namespace lumra {

class DeferredRefresh final : public QObject {
public:
    // refresh runs on the Qt thread; watched (a widget, usually the view)
    // also schedules it on a locale change. The helper is a child of watched.
    DeferredRefresh(QObject* watched, std::function<void()> refresh);

    // Schedules a refresh on every will-change announcement of object.
    void observe(const ObservableObject& object);
    // Asks for one refresh; several requests before it runs make one.
    void schedule();
    // Drops the observed objects (a view that leaves the screen for good).
    void stopObserving() { m_subscriptions.clear(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run();

    std::function<void()> m_refresh;
    bool m_scheduled = false;
    std::vector<Subscription> m_subscriptions;
};

} // namespace lumra
