// Temporary file in the target's directory, write, fsync, rename, fsync of
// the directory: the rename is atomic, the two fsyncs make it durable.
#include "platform/defaults/AtomicFileWriter.h"

#include "base/DiagnosticLog.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumra {

namespace {

std::string errnoText(std::string_view what, const std::filesystem::path& path, int error) {
    return fmt::format("{} {}: {}", what, path.string(), std::strerror(error));
}

std::optional<std::string> writeAll(int fd, std::string_view bytes,
                                    const std::filesystem::path& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errnoText("cannot write", path, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<std::string> writeAndFlush(int fd, std::string_view bytes,
                                         const std::filesystem::path& path) {
    if (auto failure = writeAll(fd, bytes, path))
        return failure;
    if (::fsync(fd) != 0)
        return errnoText("cannot flush", path, errno);
    return std::nullopt;
}

std::optional<std::string> flushDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errnoText("cannot open", directory, errno);
    UniqueFd owned(fd);
    if (::fsync(owned.get()) != 0)
        return errnoText("cannot flush", directory, errno);
    return std::nullopt;
}

} // namespace

std::string atomicWriteTemporaryPrefix(const std::filesystem::path& file) {
    return file.filename().string() + ".tmp-";
}

namespace {

// How the temporary file gets its permission bits.
struct ModeRule {
    mode_t mode;
    // Exactly mode; otherwise mode as open(2) applies it, less the umask.
    bool exact;
};

struct Replacement {
    std::optional<std::string> failure;
    // The directory would not take a temporary file: nothing was written.
    bool temporaryRefused = false;
};

// A new "<name>.tmp-XXXXXX" beside the file; -1 with errno when none can be made.
int createTemporary(const std::filesystem::path& directory, const std::filesystem::path& file,
                    mode_t mode, std::filesystem::path& name) {
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(letters) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'x');
        for (char& c : suffix)
            c = letters[pick(random)];
        name = directory / (atomicWriteTemporaryPrefix(file) + suffix);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

Replacement replaceAtomically(const std::filesystem::path& file, std::string_view bytes,
                              ModeRule rule) {
    const std::filesystem::path directory =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::filesystem::path temporary;
    const int fd = createTemporary(directory, file, rule.exact ? 0600 : rule.mode, temporary);
    if (fd < 0) {
        const int error = errno;
        return {errnoText("cannot create a temporary file in", directory, error),
                error == EACCES || error == EPERM || error == EROFS};
    }
    UniqueFd owned(fd);

    std::optional<std::string> failure;
    if (rule.exact && ::fchmod(owned.get(), rule.mode) != 0)
        failure = errnoText("cannot set the mode of", temporary, errno);
    if (!failure)
        failure = writeAndFlush(owned.get(), bytes, temporary);
    // close() reports deferred write errors on some file systems.
    if (!failure && owned.close() != 0)
        failure = errnoText("cannot close", temporary, errno);
    if (!failure && ::rename(temporary.c_str(), file.c_str()) != 0)
        failure = errnoText("cannot rename over", file, errno);
    if (failure) {
        ::unlink(temporary.c_str());
        return {std::move(failure)};
    }
    // The new contents are in place; a failed directory flush only weakens
    // durability across a power loss, which the caller hears about.
    return {flushDirectory(directory)};
}

// Not atomic: a reader may see a mix, and a crash may leave one. Only for
// a file that cannot be replaced without losing what it is.
std::optional<std::string> writeInPlace(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return errnoText("cannot open", file, errno);
    UniqueFd owned(fd);
    if (auto failure = writeAll(owned.get(), bytes, file))
        return failure;
    if (::ftruncate(owned.get(), static_cast<off_t>(bytes.size())) != 0)
        return errnoText("cannot truncate", file, errno);
    if (::fsync(owned.get()) != 0)
        return errnoText("cannot flush", file, errno);
    if (owned.close() != 0)
        return errnoText("cannot close", file, errno);
    return std::nullopt;
}

} // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               std::string_view bytes, mode_t mode) {
    return replaceAtomically(file, bytes, ModeRule{mode, true}).failure;
}

std::filesystem::path followedSymlinks(const std::filesystem::path& file) {
    std::filesystem::path path = file;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)))
            return path;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            return path;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

std::optional<std::string> saveDocument(const std::filesystem::path& file, std::string_view bytes,
                                        mode_t newFileMode) {
    const std::filesystem::path target = followedSymlinks(file);
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        if (errno != ENOENT)
            return errnoText("cannot read", target, errno);
        return replaceAtomically(target, bytes, ModeRule{newFileMode, false}).failure;
    }
    if (!S_ISREG(status.st_mode))
        return errnoText("cannot write", target, S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    if (status.st_nlink > 1) {
        LUMRA_LOG("files", fmt::format("{} has {} links: written in place", target.string(),
                                       status.st_nlink));
        return writeInPlace(target, bytes);
    }
    Replacement replaced = replaceAtomically(target, bytes, ModeRule{status.st_mode & 07777, true});
    if (replaced.temporaryRefused) {
        LUMRA_LOG("files", *replaced.failure + ": written in place");
        return writeInPlace(target, bytes);
    }
    return std::move(replaced.failure);
}

std::optional<std::string> createDirectories(const std::filesystem::path& directory, mode_t mode) {
    std::filesystem::path partial;
    for (const auto& component : directory.lexically_normal()) {
        partial /= component;
        if (component.empty() || component == "/")
            continue;
        if (::mkdir(partial.c_str(), mode) == 0 || errno == EEXIST)
            continue;
        return errnoText("cannot create", partial, errno);
    }
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0)
        return errnoText("cannot read", directory, errno);
    if (!S_ISDIR(status.st_mode))
        return errnoText("cannot use", directory, ENOTDIR);
    return std::nullopt;
}

} // namespace lumra
