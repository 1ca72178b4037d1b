#include "platform/defaults/DefaultsStore.h"

#include "base/DiagnosticLog.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace lumra {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

Json parsedFile(const fs::path& path) {
    return Json::parse(contentsOf(path));
}

std::vector<fs::path> corruptCopiesIn(const fs::path& directory) {
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename().string().starts_with("defaults.json.corrupt-"))
            copies.push_back(entry.path());
    }
    return copies;
}

class DefaultsStoreTest : public ::testing::Test {
protected:
    // The store's directory does not exist until something is written.
    fs::path storeDirectory() const { return m_root / "config" / "lumra"; }
    fs::path storeFile() const { return storeDirectory() / "defaults.json"; }
    void createStoreDirectory() const { fs::create_directories(storeDirectory()); }

private:
    test::TempDir m_root;
};

TEST_F(DefaultsStoreTest, FreshStoreReadsRegisteredDefaultsAndWritesNothing) {
    DefaultsStore store(storeDirectory());
    store.registerDefaults(
        {{"flag", true}, {"count", std::int64_t{7}}, {"ratio", 0.25}, {"name", "x"}});

    EXPECT_TRUE(store.boolForKey("flag"));
    EXPECT_EQ(store.integerForKey("count"), 7);
    EXPECT_EQ(store.doubleForKey("ratio"), 0.25);
    EXPECT_EQ(store.stringForKey("name"), "x");
    EXPECT_FALSE(store.boolForKey("unregistered"));
    EXPECT_EQ(store.stringForKey("unregistered"), std::nullopt);

    EXPECT_FALSE(fs::exists(storeDirectory().parent_path()));
}

TEST_F(DefaultsStoreTest, ValuesSurviveARestartInAPrivateFile) {
    {
        DefaultsStore store(storeDirectory());
        store.registerDefaults({{"flag", true}});
        store.setBool("flag", false);
        store.setInteger("count", -3);
        store.setDouble("ratio", 1.5);
        store.setString("lumra.speedTest.windowFrame", "10 20 980 680");
    }
    DefaultsStore restarted(storeDirectory());
    restarted.registerDefaults({{"flag", true}});

    EXPECT_FALSE(restarted.boolForKey("flag"));
    EXPECT_EQ(restarted.integerForKey("count"), -3);
    EXPECT_EQ(restarted.doubleForKey("ratio"), 1.5);
    EXPECT_EQ(restarted.stringForKey("lumra.speedTest.windowFrame"), "10 20 980 680");

    struct stat status {};
    ASSERT_EQ(::stat(storeFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(storeDirectory().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0700u);
}

TEST_F(DefaultsStoreTest, RegisteredDefaultsAreNeverWritten) {
    {
        DefaultsStore store(storeDirectory());
        store.registerDefaults({{"registered", true}});
        store.setBool("written", true);
    }
    EXPECT_EQ(parsedFile(storeFile()), Json::parse(R"({"written": true})"));
}

TEST_F(DefaultsStoreTest, RemovedKeyReadsItsDefaultAfterARestart) {
    {
        DefaultsStore store(storeDirectory());
        store.registerDefaults({{"target", "default.example"}});
        store.setString("target", "stored.example");
        store.setString("other", "kept");
        store.removeObjectForKey("target");
        EXPECT_EQ(store.stringForKey("target"), "default.example");
    }
    DefaultsStore restarted(storeDirectory());
    restarted.registerDefaults({{"target", "default.example"}});
    EXPECT_EQ(restarted.stringForKey("target"), "default.example");
    EXPECT_EQ(parsedFile(storeFile()), Json::parse(R"({"other": "kept"})"));
}

struct TypedReadCase {
    std::string storedJson;
    bool asBool;
    std::int64_t asInteger;
    double asDouble;
    std::optional<std::string> asString;
};

TEST_F(DefaultsStoreTest, StoredValuesReadThroughEachType) {
    const std::vector<TypedReadCase> cases = {
        {"true", true, 1, 1.0, std::nullopt},
        {"false", false, 0, 0.0, std::nullopt},
        {"0", false, 0, 0.0, std::nullopt},
        {"2", true, 2, 2.0, std::nullopt},
        {"-2.9", true, -2, -2.9, std::nullopt},
        {"0.0", false, 0, 0.0, std::nullopt},
        {"1e300", true, INT64_MAX, 1e300, std::nullopt},
        {"18446744073709551615", true, INT64_MAX, 18446744073709551615.0, std::nullopt},
        {R"("")", false, 0, 0.0, ""},
        {R"("yes")", false, 0, 0.0, "yes"},
        {"null", false, 0, 0.0, std::nullopt},
        {"[1, 2]", false, 0, 0.0, std::nullopt},
        {R"({"a": 1})", false, 0, 0.0, std::nullopt},
    };
    createStoreDirectory();
    for (const auto& row : cases) {
        SCOPED_TRACE(row.storedJson);
        writeFile(storeFile(), R"({"key": )" + row.storedJson + "}");
        DefaultsStore store(storeDirectory());
        // A stored value of any type hides the registered default.
        store.registerDefaults({{"key", "registered"}});
        EXPECT_EQ(store.boolForKey("key"), row.asBool);
        EXPECT_EQ(store.integerForKey("key"), row.asInteger);
        EXPECT_EQ(store.doubleForKey("key"), row.asDouble);
        EXPECT_EQ(store.stringForKey("key"), row.asString);
    }
}

TEST_F(DefaultsStoreTest, CorruptFileIsKeptAsideAndNeverOverwritten) {
    const std::vector<std::string> corruptContents = {
        "",
        "{",
        R"({"flag": fal)",
        "not json at all",
        "[true]",
        "\"just a string\"",
        "{\"name\": \"\xff\xfe\"}",
    };
    for (const auto& bytes : corruptContents) {
        SCOPED_TRACE(bytes);
        fs::remove_all(storeDirectory());
        createStoreDirectory();
        writeFile(storeFile(), bytes);

        DefaultsStore store(storeDirectory());
        store.registerDefaults({{"flag", true}});
        EXPECT_TRUE(store.boolForKey("flag"));

        const auto copies = corruptCopiesIn(storeDirectory());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(contentsOf(copies[0]), bytes);
        EXPECT_FALSE(fs::exists(storeFile()));

        store.setBool("flag", false);
        EXPECT_EQ(parsedFile(storeFile()), Json::parse(R"({"flag": false})"));
        EXPECT_EQ(contentsOf(copies[0]), bytes);
    }
}

TEST_F(DefaultsStoreTest, SecondCorruptFileGetsItsOwnCopy) {
    createStoreDirectory();
    writeFile(storeFile(), "first");
    { DefaultsStore store(storeDirectory()); }
    writeFile(storeFile(), "second");
    { DefaultsStore store(storeDirectory()); }

    auto copies = corruptCopiesIn(storeDirectory());
    std::vector<std::string> kept;
    for (const auto& copy : copies)
        kept.push_back(contentsOf(copy));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"first", "second"}));
}

TEST_F(DefaultsStoreTest, UnreadableFileIsKeptAsideAndDefaultsRead) {
    // Tests run as root, so a directory stands in for an unreadable file.
    fs::create_directories(storeFile());
    writeFile(storeFile() / "inside", "kept");

    DefaultsStore store(storeDirectory());
    store.registerDefaults({{"flag", true}});
    EXPECT_TRUE(store.boolForKey("flag"));

    const auto copies = corruptCopiesIn(storeDirectory());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(contentsOf(copies[0] / "inside"), "kept");

    store.setBool("flag", false);
    EXPECT_EQ(parsedFile(storeFile()), Json::parse(R"({"flag": false})"));
}

TEST_F(DefaultsStoreTest, ARefusedFileLeavesOneLineInTheDiagnosticLog) {
    createStoreDirectory();
    writeFile(storeFile(), "[\"\x1b]0;title\x07\"]");
    std::vector<std::string> lines;
    {
        DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(std::move(line)); });
        DefaultsStore store(storeDirectory());
        store.setBool("flag", false);
    }
    const auto copies = corruptCopiesIn(storeDirectory());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(lines, (std::vector<std::string>{"lumra: settings: refused " + storeFile().string() +
                                               " (not a settings object); set aside as " +
                                               copies[0].filename().string()}));
}

TEST_F(DefaultsStoreTest, UnknownKeysAndTypesAreWrittenBack) {
    createStoreDirectory();
    const Json original =
        Json::parse(R"({"list": [1, "two", null], "nested": {"a": 1.5}, "flag": true})");
    writeFile(storeFile(), original.dump());

    DefaultsStore store(storeDirectory());
    store.setString("name", "new");

    Json expected = original;
    expected["name"] = "new";
    EXPECT_EQ(parsedFile(storeFile()), expected);
}

TEST_F(DefaultsStoreTest, UnusableDirectoryKeepsValuesInMemoryAndTouchesNothing) {
    // A regular file where the store's directory should be.
    fs::create_directories(storeDirectory().parent_path());
    writeFile(storeDirectory(), "someone else's file");

    DefaultsStore store(storeDirectory());
    store.setString("name", "in memory");
    store.setString("name", "still in memory");

    EXPECT_EQ(store.stringForKey("name"), "still in memory");
    EXPECT_EQ(contentsOf(storeDirectory()), "someone else's file");
}

TEST_F(DefaultsStoreTest, EmptyDirectoryKeepsEverythingInMemory) {
    DefaultsStore store{fs::path()};
    store.setBool("flag", true);
    EXPECT_TRUE(store.boolForKey("flag"));
    EXPECT_EQ(store.filePath(), fs::path());
}

TEST_F(DefaultsStoreTest, NonFiniteDoubleIsRefused) {
    DefaultsStore store(storeDirectory());
    store.setDouble("ratio", 0.5);
    store.setDouble("ratio", std::numeric_limits<double>::quiet_NaN());
    store.setDouble("ratio", std::numeric_limits<double>::infinity());

    EXPECT_EQ(store.doubleForKey("ratio"), 0.5);
    EXPECT_EQ(parsedFile(storeFile()), Json::parse(R"({"ratio": 0.5})"));
}

TEST_F(DefaultsStoreTest, InvalidUtf8IsStoredAsReplacementCharacters) {
    DefaultsStore store(storeDirectory());
    store.setString("name", "caf\xe9!");

    EXPECT_EQ(store.stringForKey("name"), "caf\xef\xbf\xbd!");
    EXPECT_EQ(parsedFile(storeFile())["name"], "caf\xef\xbf\xbd!");
}

TEST_F(DefaultsStoreTest, StaleTemporaryFilesAreRemovedAtLoad) {
    {
        DefaultsStore store(storeDirectory());
        store.setBool("flag", true);
    }
    writeFile(storeDirectory() / "defaults.json.tmp-Ab12Cd", "{\"flag\": fa");
    writeFile(storeDirectory() / "unrelated.tmp-Ab12Cd", "kept");

    DefaultsStore restarted(storeDirectory());

    EXPECT_TRUE(restarted.boolForKey("flag"));
    EXPECT_FALSE(fs::exists(storeDirectory() / "defaults.json.tmp-Ab12Cd"));
    EXPECT_TRUE(fs::exists(storeDirectory() / "unrelated.tmp-Ab12Cd"));
}

TEST_F(DefaultsStoreTest, ObserverHearsEveryWriteOfItsKeyAfterTheValueIsStored) {
    DefaultsStore store(storeDirectory());
    std::vector<std::optional<std::string>> seen;
    auto subscription = store.observe("name", [&] { seen.push_back(store.stringForKey("name")); });

    store.setString("name", "a");
    store.setString("other", "b");
    store.setString("name", "a");
    store.removeObjectForKey("name");

    EXPECT_EQ(seen, (std::vector<std::optional<std::string>>{"a", "a", std::nullopt}));

    subscription.cancel();
    store.setString("name", "c");
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(DefaultsStoreTest, ObserverMayWriteAndUnsubscribeInsideItsCallback) {
    DefaultsStore store(storeDirectory());
    int firstCalls = 0;
    int secondCalls = 0;
    Subscription first;
    first = store.observe("flag", [&] {
        ++firstCalls;
        first.cancel();
        store.setBool("flag", false);
    });
    auto second = store.observe("flag", [&] { ++secondCalls; });

    store.setBool("flag", true);

    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 2); // the nested write, then the outer one
    EXPECT_FALSE(store.boolForKey("flag"));
}

TEST_F(DefaultsStoreTest, RegistrationNotifiesOnlyWhenTheReadValueChanges) {
    DefaultsStore store(storeDirectory());
    store.setBool("stored", true);
    std::vector<std::string> notified;
    auto stored = store.observe("stored", [&] { notified.push_back("stored"); });
    auto free = store.observe("free", [&] { notified.push_back("free"); });

    store.registerDefaults({{"stored", false}, {"free", true}});
    store.registerDefaults({{"free", true}});

    EXPECT_EQ(notified, std::vector<std::string>{"free"});
}

TEST_F(DefaultsStoreTest, SubscriptionMayOutliveTheStore) {
    int calls = 0;
    auto store = std::make_unique<DefaultsStore>(storeDirectory());
    auto subscription = store->observe("flag", [&] { ++calls; });
    store->setBool("flag", true);
    ASSERT_EQ(calls, 1);
    store.reset();
    // A new store of the same file knows nothing of the old one's observers.
    DefaultsStore successor(storeDirectory());
    successor.setBool("flag", false);
    subscription.cancel();
    subscription.cancel();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(successor.boolForKey("flag"));
    EXPECT_FALSE(DefaultsStore(storeDirectory()).boolForKey("flag"))
        << "the gone store left its file intact";
}

TEST_F(DefaultsStoreTest, ObserversRunOnTheWritersThread) {
    DefaultsStore store(storeDirectory());
    std::thread::id observedOn;
    auto subscription = store.observe("flag", [&] { observedOn = std::this_thread::get_id(); });

    std::thread::id writer;
    std::thread thread([&] {
        writer = std::this_thread::get_id();
        store.setBool("flag", true);
    });
    thread.join();

    EXPECT_EQ(observedOn, writer);
}

TEST_F(DefaultsStoreTest, ConcurrentWritersLeaveEveryKeyInTheFile) {
    constexpr int threadCount = 4;
    constexpr int writesPerThread = 25;
    {
        DefaultsStore store(storeDirectory());
        std::vector<std::thread> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&store, t] {
                for (int i = 0; i < writesPerThread; ++i) {
                    store.setInteger("writer" + std::to_string(t), i);
                    (void)store.integerForKey("writer" + std::to_string((t + 1) % threadCount));
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
    }
    const Json file = parsedFile(storeFile());
    for (int t = 0; t < threadCount; ++t)
        EXPECT_EQ(file.value("writer" + std::to_string(t), -1), writesPerThread - 1) << t;
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        set(value);
    }
    ~EnvironmentOverride() { set(m_old); }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    void set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(m_name, value->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

struct DirectoryCase {
    std::optional<std::string> configHome;
    std::optional<std::string> home;
    std::string expected; // empty: the password database's home
};

TEST(DefaultsStoreDirectoryTest, FollowsXdgConfigHomeThenHome) {
    const std::vector<DirectoryCase> cases = {
        {"/cfg", "/home/u", "/cfg/lumra"},
        {"/cfg/", "/home/u", "/cfg/lumra"},
        {"relative/cfg", "/home/u", "/home/u/.config/lumra"},
        {"", "/home/u", "/home/u/.config/lumra"},
        {std::nullopt, "/home/u", "/home/u/.config/lumra"},
        {std::nullopt, "relative", ""},
        {std::nullopt, std::nullopt, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.configHome.value_or("(unset)") + " " + row.home.value_or("(unset)"));
        EnvironmentOverride configHome("XDG_CONFIG_HOME", row.configHome);
        EnvironmentOverride home("HOME", row.home);
        const fs::path directory = DefaultsStore::defaultDirectory();
        if (!row.expected.empty()) {
            EXPECT_EQ(directory.lexically_normal(), fs::path(row.expected));
            continue;
        }
        EXPECT_TRUE(directory.empty() ||
                    (directory.is_absolute() && directory.filename() == "lumra" &&
                     directory.parent_path().filename() == ".config"))
            << directory;
    }
}

} // namespace
} // namespace lumra
