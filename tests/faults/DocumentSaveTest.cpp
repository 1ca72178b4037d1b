// Saving a document (the diagnostics report) where the user's files are
// unusual: behind a symbolic link, under a strict umask, private already,
// hard-linked, or in a directory that takes no new file. The save lands in
// the file the user meant and keeps what the file was.
#include "platform/defaults/AtomicFileWriter.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace lumra {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes, mode_t mode) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    ::chmod(path.c_str(), mode);
}

struct stat statusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

mode_t permissionsOf(const fs::path& path) {
    return statusOf(path).st_mode & 07777;
}

// Restores the process's umask when the test ends.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_previous;
};

const std::string report = "{\n  \"schemaVersion\": 1\n}\n";

TEST(DocumentSaveTest, TheSaveLandsInTheFileMeantAndKeepsWhatItWas) {
    struct Case {
        const char* name;
        mode_t umask;
        // Prepares the directory; answers the path handed to the save.
        std::function<fs::path(const fs::path&)> prepare;
        // Checks the directory afterwards.
        std::function<void(const fs::path&)> check;
    };
    const std::vector<Case> cases{
        {"a new file under umask 077", 077, [](const fs::path& dir) { return dir / "report.json"; },
         [](const fs::path& dir) {
             EXPECT_EQ(readFile(dir / "report.json"), report);
             EXPECT_EQ(permissionsOf(dir / "report.json"), 0600u);
         }},
        {"a new file under umask 022", 022, [](const fs::path& dir) { return dir / "report.json"; },
         [](const fs::path& dir) {
             EXPECT_EQ(permissionsOf(dir / "report.json"), 0644u);
         }},
        {"an existing private file", 022,
         [](const fs::path& dir) {
             writeFile(dir / "report.json", "old", 0600);
             return dir / "report.json";
         },
         [](const fs::path& dir) {
             EXPECT_EQ(readFile(dir / "report.json"), report);
             EXPECT_EQ(permissionsOf(dir / "report.json"), 0600u);
         }},
        {"a symbolic link to a file elsewhere", 022,
         [](const fs::path& dir) {
             fs::create_directory(dir / "real");
             writeFile(dir / "real" / "kept.json", "old", 0640);
             fs::create_symlink("real/kept.json", dir / "report.json");
             return dir / "report.json";
         },
         [](const fs::path& dir) {
             EXPECT_TRUE(fs::is_symlink(dir / "report.json")) << "the link stays a link";
             EXPECT_EQ(readFile(dir / "real" / "kept.json"), report);
             EXPECT_EQ(permissionsOf(dir / "real" / "kept.json"), 0640u);
         }},
        {"a dangling symbolic link", 022,
         [](const fs::path& dir) {
             fs::create_symlink("made.json", dir / "report.json");
             return dir / "report.json";
         },
         [](const fs::path& dir) {
             EXPECT_TRUE(fs::is_symlink(dir / "report.json"));
             EXPECT_EQ(readFile(dir / "made.json"), report);
         }},
        {"a file with a second hard link", 022,
         [](const fs::path& dir) {
             writeFile(dir / "report.json", "old bytes, longer than the new ones" + report, 0600);
             fs::create_hard_link(dir / "report.json", dir / "backup.json");
             return dir / "report.json";
         },
         [](const fs::path& dir) {
             EXPECT_EQ(readFile(dir / "backup.json"), report) << "the link still shares the file";
             EXPECT_EQ(statusOf(dir / "report.json").st_nlink, 2u);
             EXPECT_EQ(permissionsOf(dir / "report.json"), 0600u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempDir dir;
        const UmaskScope mask(c.umask);
        const fs::path target = c.prepare(dir.path());
        const auto failure = saveDocument(target, report, 0666);
        EXPECT_FALSE(failure) << failure.value_or("");
        c.check(dir.path());
        for (const auto& entry : fs::directory_iterator(dir.path()))
            EXPECT_FALSE(entry.path().filename().string().find(".tmp-") != std::string::npos)
                << "left behind: " << entry.path();
    }
}

// A writable file in a directory that refuses new files (another user's
// directory, here 0555): the file itself takes the new bytes. Root ignores
// directory permissions, so as root the save runs in a child that has
// become nobody.
TEST(DocumentSaveTest, AWritableFileInADirectoryThatTakesNoNewFileIsSavedInPlace) {
    const test::TempDir dir;
    const fs::path locked = fs::path(dir.path()) / "locked";
    fs::create_directory(locked);
    const fs::path file = locked / "report.json";
    writeFile(file, "old", 0666);
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(locked.c_str(), 0555);

    std::optional<std::string> failure;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(saveDocument(file, report, 0666) ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "cannot become nobody";
        if (WEXITSTATUS(status) != 0)
            failure = "the save failed";
    } else {
        failure = saveDocument(file, report, 0666);
    }
    ::chmod(locked.c_str(), 0755);
    EXPECT_FALSE(failure) << failure.value_or("");
    EXPECT_EQ(readFile(file), report);
    EXPECT_EQ(permissionsOf(file), 0666u);
}

} // namespace
} // namespace lumra
