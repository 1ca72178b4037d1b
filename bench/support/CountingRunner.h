// A command runner that counts the child processes it starts, for benches.
#pragma once

#include "probes/runner/CommandRunning.h"

#include <atomic>
#include <memory>
#include <sys/resource.h>

namespace lumra::bench {

class CountingRunner final : public CommandRunning {
public:
    explicit CountingRunner(std::shared_ptr<CommandRunning> inner) : m_inner(std::move(inner)) {}
    Task<CommandExecutionResult> run(CommandRequest request) override {
        ++runs;
        co_return co_await m_inner->run(std::move(request));
    }
    std::atomic<long> runs{0};

private:
    std::shared_ptr<CommandRunning> m_inner;
};

inline double cpuSecondsWithChildren() {
    rusage self{};
    rusage children{};
    ::getrusage(RUSAGE_SELF, &self);
    ::getrusage(RUSAGE_CHILDREN, &children);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) +
           seconds(children.ru_stime);
}

inline double cpuSecondsOfProcess() {
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    return static_cast<double>(self.ru_utime.tv_sec + self.ru_stime.tv_sec) +
           (self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
}

} // namespace lumra::bench
