#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <utility>

namespace lumra {
namespace {

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) >= 0 || errno != EBADF;
}

TEST(UniqueFdTest, ClosesWhatItHoldsWhenItGoes) {
    int fd;
    {
        UniqueFd owner(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        fd = owner.get();
        ASSERT_TRUE(owner.valid());
        EXPECT_TRUE(isOpen(fd));
    }
    EXPECT_FALSE(isOpen(fd));
}

TEST(UniqueFdTest, MoveHandsOverAndAssignmentClosesTheOld) {
    UniquePipe pipe = openPipe(O_CLOEXEC);
    ASSERT_TRUE(pipe.read && pipe.write);
    const int readEnd = pipe.read.get();
    const int writeEnd = pipe.write.get();
    UniqueFd moved(std::move(pipe.read));
    EXPECT_FALSE(pipe.read.valid());
    EXPECT_EQ(moved.get(), readEnd);
    moved = std::move(pipe.write);
    EXPECT_FALSE(isOpen(readEnd));
    EXPECT_EQ(moved.get(), writeEnd);
    EXPECT_TRUE(isOpen(writeEnd));
}

TEST(UniqueFdTest, ReleaseGivesUpAndCloseReportsTheAnswer) {
    UniqueFd owner(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int fd = owner.release();
    EXPECT_FALSE(owner.valid());
    EXPECT_TRUE(isOpen(fd));
    owner.reset(fd);
    EXPECT_EQ(owner.close(), 0);
    EXPECT_FALSE(isOpen(fd));
    EXPECT_EQ(owner.close(), 0) << "nothing held, nothing to close";
}

} // namespace
} // namespace lumra
