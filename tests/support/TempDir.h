// A temporary directory for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace lumra::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const noexcept { return m_path; }
    // A path below the directory.
    std::filesystem::path operator/(const std::filesystem::path& relative) const {
        return std::filesystem::path(m_path) / relative;
    }
    // Writes a file below the directory (creating subdirectories) and returns its path.
    std::string write(const std::string& relative, const std::string& content,
                      bool executable = false) const;
    bool exists(const std::string& relative) const;

private:
    std::string m_path;
};

} // namespace lumra::test
