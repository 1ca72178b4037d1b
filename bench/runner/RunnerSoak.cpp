// Soak and latency figures for the command runner: many short children through
// one runner (some cancelled, some timed out), the descriptors and children
// left afterwards, peak RSS, and spawn latency with a large touched heap.
#include "concurrency/Cancellation.h"
#include "concurrency/RunLoop.h"
#include "concurrency/Sleep.h"
#include "concurrency/Spawn.h"
#include "concurrency/TaskGroup.h"
#include "probes/runner/CommandRunnerError.h"
#include "probes/runner/ShellCommandRunner.h"

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fmt/format.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace lumra;
using namespace std::chrono_literals;

namespace {

std::size_t countEntries(const std::string& directory) {
    std::size_t count = 0;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

std::size_t openDescriptors() {
    return countEntries("/proc/self/fd") - 1;
} // minus the one opendir holds

std::size_t childProcesses() {
    std::size_t count = 0;
    DIR* tasks = ::opendir("/proc/self/task");
    if (tasks == nullptr)
        return 0;
    while (const dirent* task = ::readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        std::ifstream in(std::string("/proc/self/task/") + task->d_name + "/children");
        std::string pid;
        while (in >> pid)
            ++count;
    }
    ::closedir(tasks);
    return count;
}

long peakRssKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

enum class Kind { clean, cancelled, timedOut };

Task<void> runOne(std::shared_ptr<ShellCommandRunner> runner, Kind kind) {
    auto request = kind == Kind::clean      ? CommandRequest{"/bin/true", {}, 5}
                   : kind == Kind::timedOut ? CommandRequest{"/bin/sleep", {"10"}, 0.01}
                                            : CommandRequest{"/bin/sleep", {"10"}, 5};
    if (kind == Kind::cancelled) {
        // Cancelled by a sibling shortly after it started.
        auto handle = spawn(mainActor(), [runner, request]() -> Task<void> {
            try {
                co_await runner->run(request);
            } catch (const CancellationError&) {
            }
        });
        co_await sleepFor(2ms);
        handle.cancel();
        co_await handle.value();
        co_return;
    }
    try {
        co_await runner->run(std::move(request));
    } catch (const CommandRunnerError&) {
    }
}

Task<void> soak(std::shared_ptr<ShellCommandRunner> runner, int total, int concurrency) {
    int started = 0;
    while (started < total) {
        const int batch = std::min(concurrency, total - started);
        std::vector<Task<void>> runs;
        for (int i = 0; i < batch; ++i, ++started) {
            const Kind kind = started % 10 == 3   ? Kind::cancelled
                              : started % 10 == 7 ? Kind::timedOut
                                                  : Kind::clean;
            runs.push_back(runOne(runner, kind));
        }
        co_await whenAll(std::move(runs));
    }
}

Task<std::vector<double>> spawnLatencies(std::shared_ptr<ShellCommandRunner> runner, int count) {
    std::vector<double> milliseconds;
    for (int i = 0; i < count; ++i) {
        const auto started = std::chrono::steady_clock::now();
        auto request = CommandRequest{"/bin/true", {}, 5};
        co_await runner->run(std::move(request));
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    co_return milliseconds;
}

} // namespace

int main(int argc, char** argv) {
    const int total = argc > 1 ? std::stoi(argv[1]) : 10'000;
    RunLoop loop;
    auto runner =
        std::make_shared<ShellCommandRunner>(std::set<std::string>{"/bin/true", "/bin/sleep"});

    const std::size_t fdsBefore = openDescriptors();
    const std::size_t childrenBefore = childProcesses();
    const auto started = std::chrono::steady_clock::now();
    loop.await(spawn(mainActor(), [runner, total] { return soak(runner, total, 16); }), 600s);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // Terminated children are reaped on the I/O thread just after their outcome.
    loop.runUntil(
        [&] { return childProcesses() == childrenBefore && openDescriptors() == fdsBefore; }, 10s);
    fmt::print("runs: {} (1 in 10 cancelled, 1 in 10 timed out)\n", total);
    fmt::print("runs per second: {:.0f}\n", total / seconds);
    fmt::print("open descriptors before/after: {}/{}\n", fdsBefore, openDescriptors());
    fmt::print("child processes before/after: {}/{}\n", childrenBefore, childProcesses());
    fmt::print("peak RSS after soak: {} KiB\n", peakRssKilobytes());

    const std::size_t heapBytes = std::size_t{1} << 30;
    std::vector<char> heap(heapBytes);
    for (std::size_t i = 0; i < heap.size(); i += 4096)
        heap[i] = static_cast<char>(i);
    const auto latencies =
        loop.await(spawn(mainActor(), [runner] { return spawnLatencies(runner, 1000); }), 600s);
    fmt::print("spawn-to-result latency with 1 GiB touched heap: p50 {:.2f} ms, p99 {:.2f} ms\n",
               latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100]);
    fmt::print("peak RSS: {} KiB\n", peakRssKilobytes());
    // Keeps the heap alive, and touched, up to here.
    volatile char sink = heap[heapBytes - 4096];
    (void)sink;
    return 0;
}
