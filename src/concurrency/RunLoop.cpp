#include "concurrency/RunLoop.h"

namespace lumra {

namespace {

constexpr auto backgroundPoll = std::chrono::milliseconds(1);

} // namespace

RunLoop::RunLoop(Runtime::Options options) : m_runtime(options) {
    m_runtime.mainActor().bind(nullptr);
}

RunLoop::~RunLoop() {
    m_runtime.shutdown();
}

bool detail::drainUntil(MainActor& actor, const std::function<bool()>& done,
                        std::chrono::nanoseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        if (actor.drain() == 0)
            actor.waitForWork(
                std::min<std::chrono::nanoseconds>(deadline - now, std::chrono::milliseconds(50)));
    }
    return true;
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::nanoseconds timeout) {
    return detail::drainUntil(m_runtime.mainActor(), done, timeout);
}

void RunLoop::runFor(std::chrono::nanoseconds duration) {
    MainActor& actor = m_runtime.mainActor();
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        const std::size_t ran = actor.drain();
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return;
        if (ran == 0)
            actor.waitForWork(end - now);
    }
}

bool VirtualClockRunLoop::runUntil(const std::function<bool()>& done,
                                   std::chrono::nanoseconds timeout) {
    return detail::drainUntil(m_runtime.mainActor(), done, timeout);
}

VirtualClockRunLoop::VirtualClockRunLoop(std::size_t poolThreads)
    : m_runtime(Runtime::Options{Runtime::ClockKind::virtualTime, poolThreads}) {
    m_runtime.mainActor().bind(nullptr);
}

VirtualClockRunLoop::~VirtualClockRunLoop() {
    runUntilIdle();
    m_runtime.shutdown();
}

bool VirtualClockRunLoop::runBatch(std::size_t& jobs) {
    MainActor& actor = m_runtime.mainActor();
    const std::size_t ran = actor.drain();
    jobs += ran;
    if (ran > 0)
        return true;
    // Check the background first: work it finishes posts to the actor before
    // it stops counting as outstanding.
    if (!m_runtime.hasBackgroundWork() && !actor.hasQueuedWork())
        return false;
    actor.waitForWork(backgroundPoll);
    return true;
}

void VirtualClockRunLoop::runUntilIdle() {
    std::size_t jobs = 0;
    while (runBatch(jobs)) {
    }
}

void VirtualClockRunLoop::advanceBy(std::chrono::nanoseconds duration) {
    VirtualClock& clock = this->clock();
    const auto end = saturatingDeadline(clock.uptimeNow(), duration);
    for (;;) {
        runUntilIdle();
        if (!clock.fireNext(end))
            break;
    }
    clock.advanceTo(end);
    runUntilIdle();
}

std::size_t VirtualClockRunLoop::runFor(std::chrono::nanoseconds duration, std::size_t maxJobs) {
    VirtualClock& clock = this->clock();
    const auto end = saturatingDeadline(clock.uptimeNow(), duration);
    std::size_t jobs = 0;
    while (jobs < maxJobs) {
        if (runBatch(jobs))
            continue;
        if (!clock.fireNext(end)) {
            clock.advanceTo(end);
            break;
        }
    }
    return jobs;
}

} // namespace lumra
