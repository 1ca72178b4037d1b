#include "platform/instance/SingleInstanceLock.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumra::test {
namespace {

TEST(SingleInstanceLockTest, ASecondHolderIsRefusedUntilTheFirstIsGone) {
    TempDir directory;
    const std::filesystem::path path = std::filesystem::path(directory.path()) / "lumra.lock";
    auto first = SingleInstanceLock::acquire(path);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(SingleInstanceLock::acquire(path).has_value());
    first.reset();
    EXPECT_TRUE(SingleInstanceLock::acquire(path).has_value());
}

TEST(SingleInstanceLockTest, TheLockLivesOnlyInADirectoryOfThisUsersAlone) {
    TempDir root;
    const std::filesystem::path base(root.path());
    ASSERT_EQ(::mkdir((base / "runtime").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((base / "shared").c_str(), 0700), 0);
    ASSERT_EQ(::chmod((base / "shared").c_str(), 01777), 0);
    ASSERT_EQ(::mkdir((base / "group").c_str(), 0770), 0);
    ASSERT_EQ(::chmod((base / "group").c_str(), 0770), 0);
    std::filesystem::create_directory_symlink(base / "runtime", base / "link");
    const std::string config = (base / "config").string();
    const std::filesystem::path beside = base / "config" / "lumra" / "lumra.lock";
    struct Row {
        ProcessInformation::Environment environment;
        std::filesystem::path expected;
    };
    std::vector<Row> rows{
        {{{"XDG_RUNTIME_DIR", (base / "runtime").string()}, {"XDG_CONFIG_HOME", config}},
         base / "runtime" / "lumra.lock"},
        {{{"XDG_RUNTIME_DIR", (base / "missing").string()}, {"XDG_CONFIG_HOME", config}}, beside},
        {{{"XDG_RUNTIME_DIR", "relative/dir"}, {"XDG_CONFIG_HOME", config}}, beside},
        {{{"XDG_RUNTIME_DIR", (base / "shared").string()}, {"XDG_CONFIG_HOME", config}}, beside},
        {{{"XDG_RUNTIME_DIR", (base / "group").string()}, {"XDG_CONFIG_HOME", config}}, beside},
        {{{"XDG_RUNTIME_DIR", (base / "link").string()}, {"XDG_CONFIG_HOME", config}}, beside},
        {{{"XDG_CONFIG_HOME", config}}, beside},
        {{{"HOME", (base / "home").string()}}, base / "home" / ".config" / "lumra" / "lumra.lock"},
        {{}, {}},
    };
    if (::getuid() == 0) {
        // Another user's directory, as root can make one.
        ASSERT_EQ(::mkdir((base / "theirs").c_str(), 0700), 0);
        ASSERT_EQ(::chown((base / "theirs").c_str(), 65534, 65534), 0);
        rows.push_back(
            {{{"XDG_RUNTIME_DIR", (base / "theirs").string()}, {"XDG_CONFIG_HOME", config}},
             beside});
    }
    for (const Row& row : rows) {
        const auto path = SingleInstanceLock::defaultPath(ProcessInformation(row.environment));
        EXPECT_EQ(path, row.expected) << (row.expected.empty() ? "" : row.expected.string());
        if (!path.empty()) {
            EXPECT_TRUE(SingleInstanceLock::isPrivateDirectory(path.parent_path())) << path;
        }
    }
    // Made private when missing; never a directory others may write.
    struct stat made {};
    ASSERT_EQ(::stat((base / "config" / "lumra").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0700u);
    ASSERT_EQ(::chmod((base / "config" / "lumra").c_str(), 0777), 0);
    EXPECT_TRUE(
        SingleInstanceLock::defaultPath(ProcessInformation({{"XDG_CONFIG_HOME", config}})).empty());
    EXPECT_TRUE(SingleInstanceLock::acquire({}).has_value());
}

TEST(SingleInstanceLockTest, AMissingRuntimeDirectoryStillAllowsOneInstance) {
    TempDir root;
    const ProcessInformation process(
        {{"XDG_RUNTIME_DIR", root.path() + "/missing"}, {"XDG_CONFIG_HOME", root.path()}});
    auto first = SingleInstanceLock::acquire(SingleInstanceLock::defaultPath(process));
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(SingleInstanceLock::acquire(SingleInstanceLock::defaultPath(process)).has_value());
}

} // namespace
} // namespace lumra::test
