#include "concurrency/Runtime.h"

#include "concurrency/MainActorCheck.h"
#include "concurrency/RealClock.h"
#include "concurrency/VirtualClock.h"

#include <atomic>
#include <cassert>
#include <stdexcept>
#include <thread>

namespace lumra {

namespace {

std::atomic<Runtime*> g_current{nullptr};

std::size_t defaultPoolSize() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 2 ? 2 : cores;
}

} // namespace

Runtime::Runtime(Options options) : m_io(std::make_unique<IoThread>()) {
    if (options.clock == ClockKind::virtualTime) {
        auto clock = std::make_unique<VirtualClock>();
        m_virtualClock = clock.get();
        m_clock = std::move(clock);
    } else {
        m_clock = std::make_unique<RealClock>(*m_io);
    }
    m_pool = std::make_unique<ThreadPool>(
        options.poolThreads == 0 ? defaultPoolSize() : options.poolThreads, "lumra-pool");
    Runtime* expected = nullptr;
    if (!g_current.compare_exchange_strong(expected, this))
        throw std::logic_error("only one runtime may exist at a time");
}

Runtime::~Runtime() {
    if (!m_shutDown && m_mainActor.isCurrent())
        shutdown();
    m_io->shutdown();
    m_pool->shutdown();
    g_current.store(nullptr);
}

Runtime& Runtime::current() {
    Runtime* runtime = g_current.load();
    if (runtime == nullptr)
        throw std::logic_error("no runtime");
    return *runtime;
}

Runtime* Runtime::currentOrNull() noexcept {
    return g_current.load();
}

bool Runtime::hasBackgroundWork() const {
    return m_pool->outstanding() > 0 || m_io->outstanding() > 0;
}

void Runtime::addShutdownHook(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_shutdownHooks.push_back(std::move(hook));
}

std::optional<std::uint64_t> Runtime::registerRoot(std::weak_ptr<TaskState> task) {
    std::lock_guard lock(m_mutex);
    if (!m_acceptingRoots)
        return std::nullopt;
    const auto id = m_nextRootId++;
    m_roots.emplace(id, std::move(task));
    return id;
}

void Runtime::unregisterRoot(std::uint64_t id) {
    std::lock_guard lock(m_mutex);
    m_roots.erase(id);
}

std::size_t Runtime::liveTaskCount() const {
    std::lock_guard lock(m_mutex);
    return m_roots.size();
}

void Runtime::shutdown(std::chrono::nanoseconds drainLimit) {
    assert(m_mainActor.isCurrent() && "shutdown runs on the main actor's thread");
    std::vector<std::shared_ptr<TaskState>> roots;
    std::vector<std::function<void()>> hooks;
    {
        std::lock_guard lock(m_mutex);
        if (m_shutDown)
            return;
        m_shutDown = true;
        m_acceptingRoots = false;
        for (auto& [id, weak] : m_roots) {
            if (auto task = weak.lock())
                roots.push_back(std::move(task));
        }
    }
    for (auto& task : roots)
        task->cancel();
    roots.clear();

    const auto deadline = std::chrono::steady_clock::now() + drainLimit;
    while (liveTaskCount() > 0 && std::chrono::steady_clock::now() < deadline) {
        if (m_mainActor.drain() == 0)
            m_mainActor.waitForWork(std::chrono::milliseconds(5));
    }
    {
        std::lock_guard lock(m_mutex);
        hooks.swap(m_shutdownHooks);
    }
    for (auto& hook : hooks)
        hook();
    m_mainActor.stopAccepting();
    m_io->shutdown();
    m_pool->shutdown();
}

bool isOnMainActorOrUnchecked() noexcept {
    Runtime* runtime = Runtime::currentOrNull();
    return runtime == nullptr || runtime->mainActor().isCurrentOrUnbound();
}

MainActor& mainActor() {
    return Runtime::current().mainActor();
}
ThreadPool& backgroundPool() {
    return Runtime::current().backgroundPool();
}
IoThread& ioThread() {
    return Runtime::current().io();
}
Clock& runtimeClock() {
    return Runtime::current().clock();
}

} // namespace lumra
