#include "qt/QtApplicationActivationNotifier.h"

#include <QGuiApplication>
#include <vector>

namespace lumra {

QtApplicationActivationNotifier::QtApplicationActivationNotifier(QObject* parent)
    : QObject(parent) {
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        m_isActive = QGuiApplication::applicationState() == Qt::ApplicationActive;
        connect(application, &QGuiApplication::applicationStateChanged, this,
                &QtApplicationActivationNotifier::applicationStateChanged);
    }
}

ApplicationActivationNotifying::ObserverToken
QtApplicationActivationNotifier::addDidBecomeActiveObserver(std::function<void()> block) {
    const ObserverToken token = m_nextToken++;
    m_blocks.emplace(token, std::move(block));
    return token;
}

void QtApplicationActivationNotifier::removeObserver(ObserverToken token) {
    m_blocks.erase(token);
}

void QtApplicationActivationNotifier::applicationStateChanged(Qt::ApplicationState state) {
    const bool becameActive = state == Qt::ApplicationActive && !m_isActive;
    m_isActive = state == Qt::ApplicationActive;
    if (!becameActive)
        return;
    // A block may remove itself or another one: run those still registered.
    std::vector<ObserverToken> tokens;
    for (const auto& entry : m_blocks)
        tokens.push_back(entry.first);
    for (ObserverToken token : tokens) {
        const auto found = m_blocks.find(token);
        if (found == m_blocks.end())
            continue;
        auto block = found->second;
        block();
    }
}

} // namespace lumra
