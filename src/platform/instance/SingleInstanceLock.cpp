#include "platform/instance/SingleInstanceLock.h"

#include "base/DiagnosticLog.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumra {

namespace {

std::optional<std::filesystem::path> absoluteValue(const ProcessInformation& process,
                                                   std::string_view name) {
    auto value = process.environmentValue(name);
    if (!value || value->empty() || value->front() != '/')
        return std::nullopt;
    return std::filesystem::path(*value);
}

// mkdir -p with mode 0700 for what it makes.
void makeDirectories(const std::filesystem::path& directory) {
    std::filesystem::path partial;
    for (const auto& part : directory) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
}

} // namespace

std::optional<SingleInstanceLock> SingleInstanceLock::acquire(const std::filesystem::path& path) {
    if (path.empty())
        return SingleInstanceLock(UniqueFd());
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        LUMRA_LOG("lock", "cannot open " + path.string() + ": starting without the lock");
        return SingleInstanceLock(UniqueFd());
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return std::nullopt;
    return SingleInstanceLock(std::move(fd));
}

bool SingleInstanceLock::isPrivateDirectory(const std::filesystem::path& directory) {
    struct stat status {};
    return ::lstat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::filesystem::path SingleInstanceLock::defaultPath(const ProcessInformation& process) {
    if (const auto runtime = absoluteValue(process, "XDG_RUNTIME_DIR")) {
        if (isPrivateDirectory(*runtime))
            return *runtime / "lumra.lock";
        LUMRA_LOG("lock", "XDG_RUNTIME_DIR " + runtime->string() +
                              " is no private directory: the lock goes beside the settings");
    }
    std::filesystem::path directory;
    if (const auto configHome = absoluteValue(process, "XDG_CONFIG_HOME"))
        directory = *configHome / "lumra";
    else if (const auto home = absoluteValue(process, "HOME"))
        directory = *home / ".config" / "lumra";
    else
        return {};
    makeDirectories(directory);
    if (!isPrivateDirectory(directory)) {
        LUMRA_LOG("lock", directory.string() + " is no private directory: no lock");
        return {};
    }
    return directory / "lumra.lock";
}

} // namespace lumra
