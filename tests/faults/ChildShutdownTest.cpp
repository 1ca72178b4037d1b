// Runtime shutdown kills and reaps every child however late the I/O thread
// gets to it: nothing it runs may refer to the shutting-down frame.
#include "concurrency/RunLoop.h"
#include "platform/process/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace lumra {
namespace {

using namespace std::chrono_literals;

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

TEST(ChildShutdownTest, ALateIoThreadStillKillsAndReapsEveryChild) {
    auto loop = std::make_unique<RunLoop>();
    // A child that ignores SIGTERM: only the shutdown's SIGKILL ends it.
    auto child = ChildProcess::launch("/bin/sh", {"sh", "-c", "trap '' TERM; exec sleep 60"},
                                      [](ChildExit) {});
    const pid_t pid = child->pid();
    ASSERT_TRUE(processExists(pid));

    // The I/O thread is busy for longer than any bounded wait would allow.
    std::promise<void> busy;
    auto started = busy.get_future();
    ioThread().post([&busy] {
        busy.set_value();
        std::this_thread::sleep_for(5500ms);
    });
    started.wait();

    loop->runtime().shutdown();
    EXPECT_FALSE(child->isRunning());
    EXPECT_FALSE(processExists(pid)) << "the child outlived the shutdown";
    child.reset();
    loop.reset();
}

} // namespace
} // namespace lumra
