#include "app/SingleInstanceLock.h"

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace lumra {

std::optional<SingleInstanceLock> SingleInstanceLock::acquire(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd)
        return SingleInstanceLock(UniqueFd());
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return std::nullopt;
    return SingleInstanceLock(std::move(fd));
}

std::filesystem::path SingleInstanceLock::defaultPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && std::filesystem::path(runtime).is_absolute())
        return std::filesystem::path(runtime) / "lumra.lock";
    return std::filesystem::temp_directory_path() /
           ("lumra-" + std::to_string(::getuid()) + ".lock");
}

} // namespace lumra
