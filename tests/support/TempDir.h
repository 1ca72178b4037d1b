// A temporary directory for one test, removed with everything in it.
#pragma once

#include <string>

namespace lumra::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const noexcept { return m_path; }
    // Writes a file below the directory (creating subdirectories) and returns its path.
    std::string write(const std::string& relative, const std::string& content,
                      bool executable = false) const;
    bool exists(const std::string& relative) const;

private:
    std::string m_path;
};

} // namespace lumra::test
