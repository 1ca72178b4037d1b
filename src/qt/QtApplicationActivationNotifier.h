// The application becoming active again, from Qt's application state: each
// change to active (after being inactive, hidden or suspended) runs every
// registered block on the Qt thread, the main actor's.
#pragma once

#include "platform/desktop/ApplicationActivationNotifying.h"

#include <QObject>
#include <map>

namespace lumra {

class QtApplicationActivationNotifier final : public QObject,
                                              public ApplicationActivationNotifying {
public:
    // Listens to the running QGuiApplication.
    explicit QtApplicationActivationNotifier(QObject* parent = nullptr);

    ObserverToken addDidBecomeActiveObserver(std::function<void()> block) override;
    void removeObserver(ObserverToken token) override;

    // Runs the blocks when state is active and the last one was not.
    void applicationStateChanged(Qt::ApplicationState state);

private:
    std::map<ObserverToken, std::function<void()>> m_blocks;
    ObserverToken m_nextToken = 1;
    bool m_isActive = false;
};

} // namespace lumra
