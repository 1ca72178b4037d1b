// The quit signals (QuitSignalPipe: SIGTERM, SIGINT, SIGHUP) take the
// application's quit path: the Qt event loop watches the pipe and calls
// onQuit on the main thread. Install once, from the main thread.
#pragma once

#include "platform/signals/QuitSignalPipe.h"

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace lumra {

class QuitSignals final : public QObject {
public:
    explicit QuitSignals(std::function<void()> onQuit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> m_onQuit;
    QuitSignalPipe m_pipe;
    // Goes before the pipe it watches.
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace lumra
