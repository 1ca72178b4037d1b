// The one owner of a file descriptor: closes it when it goes, moves but never
// copies. -1 holds nothing.
#pragma once

#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace lumra {

class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return m_fd; }
    bool valid() const noexcept { return m_fd >= 0; }
    explicit operator bool() const noexcept { return valid(); }

    // Gives the descriptor up without closing it.
    int release() noexcept { return std::exchange(m_fd, -1); }
    // Closes the held descriptor (if any) and holds fd instead.
    void reset(int fd = -1) noexcept {
        const int old = std::exchange(m_fd, fd);
        if (old >= 0)
            ::close(old);
    }
    // Closes now and returns close(2)'s answer: some file systems report a
    // deferred write error only there. 0 when nothing was held.
    int close() noexcept {
        const int old = release();
        return old >= 0 ? ::close(old) : 0;
    }

private:
    int m_fd = -1;
};

struct UniquePipe {
    UniqueFd read;
    UniqueFd write;
};

// pipe2(2) with flags (O_CLOEXEC, O_NONBLOCK); both ends invalid, and errno
// set, when it fails.
inline UniquePipe openPipe(int flags) noexcept {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, flags) != 0)
        return {};
    return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

} // namespace lumra
