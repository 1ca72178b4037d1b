// Runs the main actor on the Qt event loop: one queued call per
// empty-to-non-empty transition of the actor's queue drains it on the Qt
// thread.
#pragma once

#include "concurrency/MainActor.h"

#include <QObject>

namespace lumra {

class QtMainActorBinding final : public QObject, public RunLoopBinding {
public:
    // Binds actor to the calling thread, which must be the Qt thread.
    explicit QtMainActorBinding(MainActor& actor, QObject* parent = nullptr);
    ~QtMainActorBinding() override;

    void scheduleDrain() override;

private:
    MainActor& m_actor;
};

} // namespace lumra
