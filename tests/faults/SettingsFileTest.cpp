// The settings file as a broken or unusual home directory leaves it: for each
// case, what the store reads, what it sets aside (bytes intact), and that a
// later write loses nothing the user had.
#include "platform/defaults/DefaultsStore.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumra {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<fs::path> setAside(const fs::path& directory) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename().string().starts_with("defaults.json.corrupt-"))
            found.push_back(entry.path());
    }
    return found;
}

std::string nested(std::size_t depth) {
    return std::string(depth, '[') + "1" + std::string(depth, ']');
}

// The store is built on another thread, so a constructor that hangs fails
// the test instead of stopping the suite.
std::unique_ptr<DefaultsStore> openStore(const fs::path& directory) {
    auto opened = std::async(std::launch::async,
                             [directory] { return std::make_unique<DefaultsStore>(directory); });
    if (opened.wait_for(10s) != std::future_status::ready) {
        ADD_FAILURE() << "the store did not open within 10 s";
        std::abort();
    }
    return opened.get();
}

class SettingsFileTest : public ::testing::Test {
protected:
    fs::path directory() const { return fs::path(temp.path()) / "lumra"; }
    fs::path file() const { return directory() / "defaults.json"; }
    void SetUp() override { fs::create_directories(directory()); }

    test::TempDir temp;
};

// Files that are refused whole: the store reads its defaults, the thing
// that stood there is renamed aside as it was, and the first write makes a
// fresh regular file beside it.
TEST_F(SettingsFileTest, RefusedFilesAreSetAsideWholeAndTheStoreStartsFromDefaults) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        // What must hold of the thing set aside.
        std::function<void(const fs::path&)> kept;
    };
    const std::string deepKnown = "{\"interval\": " + nested(60000) + "}";
    const std::string deepUnknown =
        "{\"interval\": 7, \"unknown\": {\"a\": " + nested(60000) + "}}";
    const std::string invalidUtf8 = "{\"interval\": 7, \"name\": \"caf\xC3\x28\"}";
    const std::string notANumber = "{\"interval\": NaN}";
    const std::vector<Case> cases{
        {"FIFO", [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
         [](const fs::path& aside) {
             EXPECT_TRUE(fs::is_fifo(aside));
         }},
        {"directory",
         [](const fs::path& path) {
             fs::create_directory(path);
             writeFile(path / "inside", "kept");
         },
         [](const fs::path& aside) {
             EXPECT_EQ(readFile(aside / "inside"), "kept");
         }},
        {"2 GiB sparse file",
         [](const fs::path& path) {
             writeFile(path, "{\"interval\": 7}");
             fs::resize_file(path, 2ull << 30);
         },
         [](const fs::path& aside) {
             EXPECT_EQ(fs::file_size(aside), 2ull << 30);
         }},
        {"60,000-deep nesting under a known key",
         [&](const fs::path& path) { writeFile(path, deepKnown); },
         [&](const fs::path& aside) {
             EXPECT_EQ(readFile(aside), deepKnown);
         }},
        {"60,000-deep nesting under an unknown key",
         [&](const fs::path& path) { writeFile(path, deepUnknown); },
         [&](const fs::path& aside) {
             EXPECT_EQ(readFile(aside), deepUnknown);
         }},
        {"invalid UTF-8", [&](const fs::path& path) { writeFile(path, invalidUtf8); },
         [&](const fs::path& aside) {
             EXPECT_EQ(readFile(aside), invalidUtf8);
         }},
        {"NaN", [&](const fs::path& path) { writeFile(path, notANumber); },
         [&](const fs::path& aside) {
             EXPECT_EQ(readFile(aside), notANumber);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(directory());
        fs::create_directories(directory());
        c.make(file());
        const auto start = std::chrono::steady_clock::now();
        auto store = openStore(directory());
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        store->registerDefaults({{"interval", std::int64_t{5}}});
        EXPECT_EQ(store->integerForKey("interval"), 5);

        const auto aside = setAside(directory());
        ASSERT_EQ(aside.size(), 1u);
        c.kept(aside.front());
        store->setInteger("written", 1);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file())));
        EXPECT_EQ(DefaultsStore(directory()).integerForKey("written"), 1);
        c.kept(aside.front());
    }
}

// A file the store keeps: what the user had that the store does not use
// goes back to the file exactly, byte for byte in each value.
TEST_F(SettingsFileTest, UnknownValuesAreWrittenBackExactly) {
    const std::string original = "{\n"
                                 "  \"big\": 123456789012345678901234567890,\n"
                                 "  \"beyondDouble\": 9007199254740993,\n"
                                 "  \"precise\": 0.10000000000000000555,\n"
                                 "  \"twice\": 1,\n"
                                 "  \"twice\": 2,\n"
                                 "  \"nested\": {\"b\": 1, \"b\": [1e300, 18446744073709551616]},\n"
                                 "  \"interval\": 9\n"
                                 "}\n";
    writeFile(file(), original);
    auto store = openStore(directory());
    EXPECT_TRUE(setAside(directory()).empty());
    EXPECT_EQ(store->integerForKey("interval"), 9);
    EXPECT_EQ(store->integerForKey("twice"), 2) << "the last of duplicate keys is read";
    EXPECT_EQ(store->integerForKey("beyondDouble"), 9007199254740993);
    EXPECT_EQ(store->integerForKey("big"), std::numeric_limits<std::int64_t>::max());

    store->setInteger("interval", 10);
    store->setString("added", "yes");
    const std::string written = readFile(file());
    for (const char* kept :
         {"\"big\": 123456789012345678901234567890", "\"beyondDouble\": 9007199254740993",
          "\"precise\": 0.10000000000000000555", "\"twice\": 1", "\"twice\": 2",
          "\"nested\": {\"b\": 1, \"b\": [1e300, 18446744073709551616]}", "\"interval\": 10",
          "\"added\": \"yes\""})
        EXPECT_NE(written.find(kept), std::string::npos) << kept << "\n" << written;
    EXPECT_EQ(written.find("\"interval\": 9"), std::string::npos);

    // Written back, the file reads the same again.
    DefaultsStore reopened(directory());
    EXPECT_EQ(reopened.integerForKey("interval"), 10);
    EXPECT_EQ(reopened.integerForKey("twice"), 2);
    EXPECT_TRUE(setAside(directory()).empty());
}

// A dotfile manager's link: read through it, written through it to the file
// it names, atomically, and the link stays a link.
TEST_F(SettingsFileTest, ASymlinkedFileIsWrittenThroughAndStaysALink) {
    const fs::path inside = directory() / "real.json";
    const fs::path outside = fs::path(temp.path()) / "dotfiles" / "lumra.json";
    fs::create_directories(outside.parent_path());
    for (const fs::path& target : {inside, outside}) {
        SCOPED_TRACE(target.string());
        fs::remove(file());
        writeFile(target, "{\"interval\": 9, \"mine\": [1, 2]}");
        fs::create_symlink(target, file());

        auto store = openStore(directory());
        EXPECT_EQ(store->integerForKey("interval"), 9);
        store->setInteger("interval", 11);

        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file())));
        EXPECT_EQ(fs::read_symlink(file()), target);
        const std::string written = readFile(target);
        EXPECT_NE(written.find("\"interval\": 11"), std::string::npos) << written;
        EXPECT_NE(written.find("\"mine\": [1, 2]"), std::string::npos) << written;
        EXPECT_TRUE(setAside(directory()).empty());
        for (const auto& entry : fs::directory_iterator(target.parent_path()))
            EXPECT_FALSE(entry.path().filename().string().find(".tmp-") != std::string::npos)
                << entry.path();
    }
}

// A link to nothing reads as no file; the first write creates the file it
// names.
TEST_F(SettingsFileTest, ADanglingSymlinkIsWrittenThrough) {
    const fs::path target = directory() / "later.json";
    fs::create_symlink("later.json", file());
    auto store = openStore(directory());
    store->setInteger("interval", 3);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file())));
    EXPECT_EQ(DefaultsStore(directory()).integerForKey("interval"), 3);
    EXPECT_NE(readFile(target).find("\"interval\": 3"), std::string::npos);
}

} // namespace
} // namespace lumra
