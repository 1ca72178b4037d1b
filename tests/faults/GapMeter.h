// Measures how long the main actor and the I/O thread went without running
// a short tick while a fault plays out: a main-actor task that sleeps a
// couple of milliseconds at a time, and an I/O-thread timer that re-arms
// itself. Neither may go quiet for long however a probe fails.
#pragma once

#include "concurrency/Cancellation.h"
#include "concurrency/IoThread.h"
#include "concurrency/Runtime.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace lumra::test {

class GapMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto tick = std::chrono::milliseconds(2);

    GapMeter()
        : m_state(started()),
          m_mainTask(spawn(mainActor(), [state = m_state]() { return mainTicks(state); })) {
        armIo(m_state);
    }
    ~GapMeter() { stop(); }
    GapMeter(const GapMeter&) = delete;
    GapMeter& operator=(const GapMeter&) = delete;

    void stop() {
        m_state->stopped.store(true);
        m_mainTask.cancel();
    }

    // The longest gap between two ticks beyond the tick itself.
    std::chrono::milliseconds mainActorGap() const { return ms(m_state->mainGap.load()); }
    std::chrono::milliseconds ioThreadGap() const { return ms(m_state->ioGap.load()); }

private:
    struct State {
        Clock::time_point last;
        Clock::time_point ioLast;
        std::atomic<std::int64_t> mainGap{0};
        std::atomic<std::int64_t> ioGap{0};
        std::atomic<bool> stopped{false};
    };

    static std::shared_ptr<State> started() {
        auto state = std::make_shared<State>();
        state->last = Clock::now();
        state->ioLast = Clock::now();
        return state;
    }

    static std::chrono::milliseconds ms(std::int64_t nanoseconds) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::nanoseconds(nanoseconds));
    }

    static void record(std::atomic<std::int64_t>& gap, Clock::time_point& last) {
        const auto now = Clock::now();
        const auto late =
            std::chrono::duration_cast<std::chrono::nanoseconds>(now - last - tick).count();
        last = now;
        std::int64_t seen = gap.load();
        while (late > seen && !gap.compare_exchange_weak(seen, late)) {
        }
    }

    static Task<void> mainTicks(std::shared_ptr<State> state) {
        while (!state->stopped.load() && !isCancelled()) {
            try {
                co_await sleepFor(tick);
            } catch (const CancellationError&) {
                co_return;
            }
            record(state->mainGap, state->last);
        }
    }

    static void armIo(std::shared_ptr<State> state) {
        ioThread().addTimer(Clock::now() + tick, [state] {
            record(state->ioGap, state->ioLast);
            if (!state->stopped.load())
                armIo(state);
        });
    }

    std::shared_ptr<State> m_state;
    TaskHandle<void> m_mainTask;
};

} // namespace lumra::test
