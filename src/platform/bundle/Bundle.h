// The application's information table and where its files lie: what the
// platform's main bundle answers. The main bundle's table is built in at
// configure time; tests make bundles of their own. Immutable, so any thread
// may read it.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lumra {

class Bundle {
public:
    using InfoDictionary = std::map<std::string, std::string, std::less<>>;

    Bundle(InfoDictionary info, std::optional<std::filesystem::path> executablePath,
           std::filesystem::path bundlePath);

    // The built-in table, the running executable (/proc/self/exe) and its
    // directory. Made once, on first use.
    static const Bundle& main();

    // Absent when the table has no such key.
    std::optional<std::string> infoValue(std::string_view key) const;
    const InfoDictionary& infoDictionary() const noexcept { return m_info; }
    const std::optional<std::filesystem::path>& executablePath() const noexcept {
        return m_executablePath;
    }
    const std::filesystem::path& bundlePath() const noexcept { return m_bundlePath; }
    // When the executable (the bundle's directory when it has none) was
    // last modified; absent when it cannot be read.
    std::optional<std::chrono::system_clock::time_point> executableModificationDate() const;

private:
    InfoDictionary m_info;
    std::optional<std::filesystem::path> m_executablePath;
    std::filesystem::path m_bundlePath;
};

} // namespace lumra
