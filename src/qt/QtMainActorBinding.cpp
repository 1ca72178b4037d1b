#include "qt/QtMainActorBinding.h"

#include <QMetaObject>

namespace lumra {

QtMainActorBinding::QtMainActorBinding(MainActor& actor, QObject* parent)
    : QObject(parent), m_actor(actor) {
    m_actor.bind(this);
}

QtMainActorBinding::~QtMainActorBinding() {
    m_actor.unbind();
}

void QtMainActorBinding::scheduleDrain() {
    // Thread-safe: the call is queued to this object's (the Qt) thread.
    QMetaObject::invokeMethod(
        this, [this] { m_actor.drain(); }, Qt::QueuedConnection);
}

} // namespace lumra
