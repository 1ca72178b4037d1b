// SIGTERM and SIGINT take the application's quit path: the handler only
// writes a byte to a pipe, which the Qt event loop reads and turns into a
// call of onQuit on the main thread. Install once, from the main thread.
#pragma once

#include <QObject>
#include <functional>

namespace lumra {

class QuitSignals final : public QObject {
public:
    explicit QuitSignals(std::function<void()> onQuit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> m_onQuit;
};

} // namespace lumra
