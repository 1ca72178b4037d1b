#include "app/QuitSignals.h"

namespace lumra {

QuitSignals::QuitSignals(std::function<void()> onQuit, QObject* parent)
    : QObject(parent), m_onQuit(std::move(onQuit)) {
    if (m_pipe.readFd() < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe.readFd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        if (m_pipe.drain() && m_onQuit)
            m_onQuit();
    });
}

QuitSignals::~QuitSignals() = default;

} // namespace lumra
