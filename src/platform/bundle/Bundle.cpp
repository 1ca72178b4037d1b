#include "platform/bundle/Bundle.h"

#include "platform/bundle/BuiltInBundleInformation.h"

#include <sys/stat.h>
#include <system_error>

namespace lumra {

namespace {

std::optional<std::filesystem::path> runningExecutable() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::nullopt;
    return path;
}

} // namespace

Bundle::Bundle(InfoDictionary info, std::optional<std::filesystem::path> executablePath,
               std::filesystem::path bundlePath)
    : m_info(std::move(info)), m_executablePath(std::move(executablePath)),
      m_bundlePath(std::move(bundlePath)) {}

const Bundle& Bundle::main() {
    static const Bundle bundle = [] {
        auto executable = runningExecutable();
        std::filesystem::path directory =
            executable ? executable->parent_path() : std::filesystem::current_path();
        return Bundle(builtInBundleInformation(), std::move(executable), std::move(directory));
    }();
    return bundle;
}

std::optional<std::chrono::system_clock::time_point> Bundle::executableModificationDate() const {
    const std::filesystem::path path = m_executablePath.value_or(m_bundlePath);
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    using Clock = std::chrono::system_clock;
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(
        std::chrono::seconds(info.st_mtim.tv_sec) +
        std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
}

std::optional<std::string> Bundle::infoValue(std::string_view key) const {
    const auto found = m_info.find(key);
    if (found == m_info.end())
        return std::nullopt;
    return found->second;
}

} // namespace lumra
