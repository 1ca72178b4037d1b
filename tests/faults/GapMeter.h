// Measures how long the main actor and the I/O thread went without running
// a short tick while a fault plays out: a main-actor task that sleeps a
// couple of milliseconds at a time, and an I/O-thread timer that re-arms
// itself. Neither may go quiet for long however a probe fails. A plain
// thread ticks beside them: where it went quiet too, the whole machine
// paused (a virtual machine's host does, for 50-100 ms now and then), and
// that part of a gap is not the code's.
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
#include <thread>
#include <vector>

namespace lumra::test {

class GapMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto tick = std::chrono::milliseconds(2);

    GapMeter()
        : m_state(started()),
          m_mainTask(spawn(mainActor(), [state = m_state]() { return mainTicks(state); })) {
        armIo(m_state);
        m_machine = std::jthread([state = m_state](std::stop_token stopping) {
            Clock::time_point last = Clock::now();
            while (!stopping.stop_requested()) {
                std::this_thread::sleep_for(tick);
                record(*state, state->machineStalls, last);
            }
        });
    }
    ~GapMeter() { stop(); }
    GapMeter(const GapMeter&) = delete;
    GapMeter& operator=(const GapMeter&) = delete;

    void stop() {
        m_state->stopped.store(true);
        m_mainTask.cancel();
        if (m_machine.joinable()) {
            m_machine.request_stop();
            m_machine.join();
        }
    }

    // The longest gap between two ticks beyond the tick itself and beyond
    // what the machine paused meanwhile.
    std::chrono::milliseconds mainActorGap() const { return longest(m_state->mainStalls); }
    std::chrono::milliseconds ioThreadGap() const { return longest(m_state->ioStalls); }

private:
    struct Stall {
        Clock::time_point from;
        Clock::time_point to;
    };

    struct State {
        Clock::time_point last;
        Clock::time_point ioLast;
        std::mutex mutex;
        std::vector<Stall> mainStalls;
        std::vector<Stall> ioStalls;
        std::vector<Stall> machineStalls;
        std::atomic<bool> stopped{false};
    };

    // Gaps shorter than this are not kept: every limit the tests set is far
    // above it.
    static constexpr auto kept = std::chrono::milliseconds(5);

    static std::shared_ptr<State> started() {
        auto state = std::make_shared<State>();
        state->last = Clock::now();
        state->ioLast = Clock::now();
        return state;
    }

    static void record(State& state, std::vector<Stall>& stalls, Clock::time_point& last) {
        const auto now = Clock::now();
        if (now - last - tick > kept) {
            const std::lock_guard lock(state.mutex);
            stalls.push_back({last, now});
        }
        last = now;
    }

    std::chrono::milliseconds longest(const std::vector<Stall>& stalls) const {
        const std::lock_guard lock(m_state->mutex);
        Clock::duration worst{};
        for (const Stall& stall : stalls) {
            Clock::duration own = stall.to - stall.from - tick;
            for (const Stall& paused : m_state->machineStalls) {
                const auto from = std::max(stall.from, paused.from);
                const auto to = std::min(stall.to, paused.to);
                if (to > from)
                    own -= to - from;
            }
            worst = std::max(worst, own);
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(worst);
    }

    static Task<void> mainTicks(std::shared_ptr<State> state) {
        while (!state->stopped.load() && !isCancelled()) {
            try {
                co_await sleepFor(tick);
            } catch (const CancellationError&) {
                co_return;
            }
            record(*state, state->mainStalls, state->last);
        }
    }

    static void armIo(std::shared_ptr<State> state) {
        ioThread().addTimer(Clock::now() + tick, [state] {
            record(*state, state->ioStalls, state->ioLast);
            if (!state->stopped.load())
                armIo(state);
        });
    }

    std::shared_ptr<State> m_state;
    TaskHandle<void> m_mainTask;
    std::jthread m_machine;
};

} // namespace lumra::test
