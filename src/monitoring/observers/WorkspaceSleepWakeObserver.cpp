#include "monitoring/observers/WorkspaceSleepWakeObserver.h"

#include <cassert>

namespace lumra {

WorkspaceSleepWakeObserver::WorkspaceSleepWakeObserver(
    std::shared_ptr<SleepWakeNotifying> notificationCenter)
    : m_callbacks(std::make_shared<Callbacks>()),
      m_notificationCenter(std::move(notificationCenter)) {
    assert(m_notificationCenter && "a notification centre is required");
}

WorkspaceSleepWakeObserver::~WorkspaceSleepWakeObserver() {
    stopObserving();
}

SleepWakeObserving::Callback WorkspaceSleepWakeObserver::onWillSleep() const {
    return m_callbacks->onWillSleep;
}

void WorkspaceSleepWakeObserver::setOnWillSleep(Callback callback) {
    m_callbacks->onWillSleep = std::move(callback);
}

SleepWakeObserving::Callback WorkspaceSleepWakeObserver::onDidWake() const {
    return m_callbacks->onDidWake;
}

void WorkspaceSleepWakeObserver::setOnDidWake(Callback callback) {
    m_callbacks->onDidWake = std::move(callback);
}

void WorkspaceSleepWakeObserver::startObserving() {
    if (!m_observerTokens.empty())
        return;
    std::weak_ptr<Callbacks> weak = m_callbacks;
    // Copies: a callback may replace itself while it runs.
    m_observerTokens.push_back(
        m_notificationCenter->addObserver(SleepWakeNotification::willSleep, [weak] {
            auto callbacks = weak.lock();
            if (!callbacks)
                return;
            auto callback = callbacks->onWillSleep;
            if (callback)
                callback();
        }));
    m_observerTokens.push_back(
        m_notificationCenter->addObserver(SleepWakeNotification::didWake, [weak] {
            auto callbacks = weak.lock();
            if (!callbacks)
                return;
            auto callback = callbacks->onDidWake;
            if (callback)
                callback();
        }));
}

void WorkspaceSleepWakeObserver::stopObserving() {
    for (auto token : m_observerTokens)
        m_notificationCenter->removeObserver(token);
    m_observerTokens.clear();
}

} // namespace lumra
