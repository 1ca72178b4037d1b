// One instance per user: an exclusive lock on a file in $XDG_RUNTIME_DIR (or,
// when that is no directory of this user's alone, in the user's lumra
// configuration directory), held for the life of the process and released by
// the kernel when it ends, however it ends.
#pragma once

#include "base/UniqueFd.h"
#include "platform/bundle/ProcessInformation.h"

#include <filesystem>
#include <optional>
#include <utility>

namespace lumra {

class SingleInstanceLock {
public:
    // Locks path; absent when another process holds it. An empty path, or
    // one that cannot be opened, gives a lock that holds nothing (the
    // application still starts).
    static std::optional<SingleInstanceLock> acquire(const std::filesystem::path& path);
    // lumra.lock in $XDG_RUNTIME_DIR when that is a private directory
    // (isPrivateDirectory); else in lumra/ under $XDG_CONFIG_HOME or
    // ~/.config, made when missing and checked the same way; else empty. A
    // shared directory such as /tmp is never used: another user could hold
    // the lock there.
    static std::filesystem::path defaultPath(const ProcessInformation& process);
    // A directory itself (not a link), owned by this user, that neither its
    // group nor others may write.
    static bool isPrivateDirectory(const std::filesystem::path& directory);

    SingleInstanceLock(SingleInstanceLock&& other) noexcept = default;
    SingleInstanceLock& operator=(SingleInstanceLock&&) = delete;

private:
    explicit SingleInstanceLock(UniqueFd fd) : m_fd(std::move(fd)) {}
    UniqueFd m_fd;
};

} // namespace lumra
