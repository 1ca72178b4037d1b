#include "platform/defaults/AtomicFileWriter.h"

#include "tests/support/TempDir.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace lumra {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

std::vector<std::string> namesIn(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicFileWriterTest, ReplacesContentsAndModeLeavingNoTemporary) {
    test::TempDir directory;
    const fs::path file = directory / "settings.json";
    std::ofstream(file) << "old contents that are longer than the new ones";
    ::chmod(file.c_str(), 0644);

    EXPECT_EQ(writeFileAtomically(file, "new", 0600), std::nullopt);

    EXPECT_EQ(contentsOf(file), "new");
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(namesIn(directory.path()), std::vector<std::string>{"settings.json"});
}

TEST(AtomicFileWriterTest, FailedRenameLeavesTargetAndDirectoryAsTheyWere) {
    test::TempDir directory;
    // A non-empty directory where the file should be: the rename fails.
    const fs::path file = directory / "settings.json";
    fs::create_directory(file);
    std::ofstream(file / "inside") << "kept";

    const auto failure = writeFileAtomically(file, "new", 0600);

    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find(file.string()), std::string::npos) << *failure;
    EXPECT_TRUE(fs::is_directory(file));
    EXPECT_EQ(contentsOf(file / "inside"), "kept");
    EXPECT_EQ(namesIn(directory.path()), std::vector<std::string>{"settings.json"});
}

TEST(AtomicFileWriterTest, MissingDirectoryIsAFailure) {
    test::TempDir directory;
    EXPECT_TRUE(writeFileAtomically(directory / "absent" / "settings.json", "x", 0600).has_value());
    EXPECT_FALSE(fs::exists(directory / "absent"));
}

TEST(AtomicFileWriterTest, CreatesNestedDirectoriesPrivately) {
    test::TempDir directory;
    const fs::path nested = directory / "config" / "lumra";

    EXPECT_EQ(createDirectories(nested, 0700), std::nullopt);
    EXPECT_EQ(createDirectories(nested, 0700), std::nullopt);

    EXPECT_EQ(modeOf(directory / "config"), 0700u);
    EXPECT_EQ(modeOf(nested), 0700u);
}

TEST(AtomicFileWriterTest, FileInPlaceOfADirectoryIsAFailure) {
    test::TempDir directory;
    std::ofstream(directory / "config") << "a file";

    EXPECT_TRUE(createDirectories(directory / "config", 0700).has_value());
    EXPECT_TRUE(createDirectories(directory / "config" / "lumra", 0700).has_value());
    EXPECT_EQ(contentsOf(directory / "config"), "a file");
}

} // namespace
} // namespace lumra
