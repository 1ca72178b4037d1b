// The machine's clocks; timers run on the I/O thread.
#pragma once

#include "concurrency/Clock.h"
#include "concurrency/IoThread.h"

namespace lumra {

class RealClock final : public Clock {
public:
    explicit RealClock(IoThread& io) : m_io(io) {}

    std::chrono::system_clock::time_point wallNow() const override {
        return std::chrono::system_clock::now();
    }
    UptimePoint uptimeNow() const override { return std::chrono::steady_clock::now(); }
    TimerId schedule(std::chrono::nanoseconds after, Job fn) override {
        return m_io.addTimer(saturatingDeadline(uptimeNow(), after), std::move(fn));
    }
    bool cancel(TimerId id) override { return m_io.cancelTimer(id); }

private:
    IoThread& m_io;
};

} // namespace lumra
