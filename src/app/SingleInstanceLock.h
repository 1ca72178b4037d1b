// One instance per user: an exclusive lock on a file in $XDG_RUNTIME_DIR (or
// the temporary directory when that is not set), held for the life of the
// process and released by the kernel when it ends, however it ends.
#pragma once

#include "base/UniqueFd.h"

#include <filesystem>
#include <optional>
#include <utility>

namespace lumra {

class SingleInstanceLock {
public:
    // Locks path; absent when another process holds it. A path that cannot
    // be opened at all gives a lock that holds nothing (the application
    // still starts).
    static std::optional<SingleInstanceLock> acquire(const std::filesystem::path& path);
    // lumra.lock in $XDG_RUNTIME_DIR when that is an absolute path, else in
    // the temporary directory with the user id in its name.
    static std::filesystem::path defaultPath();

    SingleInstanceLock(SingleInstanceLock&& other) noexcept = default;
    SingleInstanceLock& operator=(SingleInstanceLock&&) = delete;

private:
    explicit SingleInstanceLock(UniqueFd fd) : m_fd(std::move(fd)) {}
    UniqueFd m_fd;
};

} // namespace lumra
