// Temporary file in the target's directory, write, fsync, rename, fsync of
// the directory: the rename is atomic, the two fsyncs make it durable.
#include "platform/defaults/AtomicFileWriter.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fmt/format.h>
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

std::optional<std::string> writeAndFlush(int fd, std::string_view bytes, mode_t mode,
                                         const std::filesystem::path& path) {
    if (::fchmod(fd, mode) != 0)
        return errnoText("cannot set the mode of", path, errno);
    if (auto failure = writeAll(fd, bytes, path))
        return failure;
    if (::fsync(fd) != 0)
        return errnoText("cannot flush", path, errno);
    return std::nullopt;
}

std::optional<std::string> flushDirectory(const std::filesystem::path& directory) {
    const UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return errnoText("cannot open", directory, errno);
    if (::fsync(fd.get()) != 0)
        return errnoText("cannot flush", directory, errno);
    return std::nullopt;
}

} // namespace

std::string atomicWriteTemporaryPrefix(const std::filesystem::path& file) {
    return file.filename().string() + ".tmp-";
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               std::string_view bytes, mode_t mode) {
    const std::filesystem::path directory =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::string pattern = (directory / atomicWriteTemporaryPrefix(file)).string() + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd)
        return errnoText("cannot create a temporary file in", directory, errno);
    const std::filesystem::path temporary(name.data());

    auto failure = writeAndFlush(fd.get(), bytes, mode, temporary);
    // close() reports deferred write errors on some file systems.
    if (!failure && fd.close() != 0)
        failure = errnoText("cannot close", temporary, errno);
    if (!failure && ::rename(temporary.c_str(), file.c_str()) != 0)
        failure = errnoText("cannot rename over", file, errno);
    if (failure) {
        ::unlink(temporary.c_str());
        return failure;
    }
    // The new contents are in place; a failed directory flush only weakens
    // durability across a power loss, which the caller hears about.
    return flushDirectory(directory);
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
