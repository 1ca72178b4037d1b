#include "platform/signals/QuitSignalPipe.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace lumra {
namespace {

bool readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN) != 0;
}

TEST(QuitSignalPipeTest, EachQuitSignalBecomesAByteOnThePipeAndTheProcessLivesOn) {
    QuitSignalPipe pipe;
    ASSERT_GE(pipe.readFd(), 0);
    EXPECT_FALSE(readable(pipe.readFd()));
    EXPECT_FALSE(pipe.drain());
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(::raise(signalNumber), 0);
        EXPECT_TRUE(readable(pipe.readFd())) << signalNumber;
        EXPECT_TRUE(pipe.drain()) << signalNumber;
        EXPECT_FALSE(readable(pipe.readFd())) << signalNumber;
    }
    // More than the pipe holds: the handler never blocks on a full pipe.
    for (int i = 0; i < 100000; ++i)
        ::raise(SIGTERM);
    EXPECT_TRUE(pipe.drain());
}

TEST(QuitSignalPipeTest, OnceGoneTheSignalsHaveTheirDefaultActionBack) {
    { QuitSignalPipe pipe; }
    for (const int signalNumber : QuitSignalPipe::quitSignals) {
        struct sigaction action {};
        ASSERT_EQ(::sigaction(signalNumber, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << signalNumber;
    }
}

} // namespace
} // namespace lumra
