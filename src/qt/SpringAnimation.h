// Runs a spring curve on the main thread: a frame about every 16 ms from
// start() until the curve settles, then the last frame at 1 and nothing
// more (no timer runs while nothing moves). Main thread.
#pragma once

#include "viewkit/SpringCurve.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace lumra {

class SpringAnimation final : public QObject {
public:
    explicit SpringAnimation(QObject* parent = nullptr);

    // onFrame gets the progress (0 to 1, a little past it at the peak).
    void start(SpringCurve curve, std::function<void(double)> onFrame,
               std::function<void()> onFinished = {});
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // Draws the frame at `seconds` after the start (what the timer does with
    // the elapsed time; a test steps it by hand).
    void frameAt(double seconds);

private:
    SpringCurve m_curve;
    std::function<void(double)> m_onFrame;
    std::function<void()> m_onFinished;
    QTimer m_timer;
    QElapsedTimer m_elapsed;
};

} // namespace lumra
