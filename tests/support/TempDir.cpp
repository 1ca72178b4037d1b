#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lumra::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lumra-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::write(const std::string& relative, const std::string& content,
                           bool executable) const {
    const std::filesystem::path file = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(file.parent_path());
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << content;
    }
    using std::filesystem::perms;
    std::filesystem::permissions(file, executable ? perms::owner_all | perms::group_read |
                                                        perms::others_read
                                                  : perms::owner_read | perms::owner_write);
    return file.string();
}

bool TempDir::exists(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::path(m_path) / relative);
}

} // namespace lumra::test
