// Kills a writer process at random moments and checks that the file it was
// rewriting is always whole: the old value or the new one, never a mix.
#include "platform/defaults/DefaultsStore.h"
#include "tests/platform/defaults/DefaultsPayload.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace lumra {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// What a reader finds in the file: nullopt when it is not whole.
struct FileReading {
    std::optional<std::int64_t> counter;
    bool otherKeyKept = false;
};

std::optional<FileReading> readStoreFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    const Json parsed = Json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_object())
        return std::nullopt;
    FileReading reading;
    reading.otherKeyKept = parsed.value("keep", false);
    if (const auto it = parsed.find("payload"); it != parsed.end()) {
        if (!it->is_string())
            return std::nullopt;
        reading.counter = test::payloadCounter(it->get<std::string>());
        if (!reading.counter)
            return std::nullopt;
    }
    return reading;
}

// The writer child; killed and reaped when the test leaves early.
class WriterProcess {
public:
    explicit WriterProcess(const fs::path& directory) {
        const std::string program = LUMRA_DEFAULTS_WRITER_HELPER;
        const std::string argument = directory.string();
        char* const argv[] = {const_cast<char*>(program.c_str()),
                              const_cast<char*>(argument.c_str()), nullptr};
        if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
            m_pid = -1;
    }
    ~WriterProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            wait(0);
        }
    }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;

    bool started() const { return m_pid > 0; }
    bool hasExited() { return wait(WNOHANG); }
    // Never with pid -1 or 0, which would signal other processes.
    bool kill() const { return m_pid > 0 && ::kill(m_pid, SIGKILL) == 0; }
    // The wait status once reaped.
    std::optional<int> reap() {
        if (!wait(0))
            return std::nullopt;
        return m_status;
    }

private:
    bool wait(int options) {
        if (m_pid <= 0)
            return true;
        if (::waitpid(m_pid, &m_status, options) != m_pid)
            return false;
        m_pid = -1;
        return true;
    }

    pid_t m_pid = -1;
    int m_status = 0;
};

TEST(DefaultsStoreCrashTest, KilledWriterNeverLeavesAPartialFile) {
    test::TempDir root;
    const fs::path directory = root / "lumra";
    {
        DefaultsStore store(directory);
        store.setBool("keep", true);
    }
    const fs::path file = directory / "defaults.json";

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> killDelayMicroseconds(0, 3000);

    std::int64_t lastCounter = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        WriterProcess writer(directory);
        ASSERT_TRUE(writer.started());

        // Every reading while it writes must be whole; wait until it has
        // written at least once so each round kills a running writer.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::optional<std::int64_t> counter;
        while (!(counter > lastCounter) && std::chrono::steady_clock::now() < deadline &&
               !writer.hasExited()) {
            const auto reading = readStoreFile(file);
            ASSERT_TRUE(reading.has_value()) << "partial file while writing";
            counter = reading->counter;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_TRUE(counter > lastCounter) << "the writer made no progress";
        std::this_thread::sleep_for(std::chrono::microseconds(killDelayMicroseconds(random)));
        ASSERT_TRUE(writer.kill()) << "the writer ended on its own";
        const auto status = writer.reap();
        ASSERT_TRUE(status && WIFSIGNALED(*status)) << "the writer ended on its own";

        const auto reading = readStoreFile(file);
        ASSERT_TRUE(reading.has_value()) << "partial file after the kill";
        ASSERT_TRUE(reading->counter.has_value());
        EXPECT_GE(*reading->counter, *counter);
        EXPECT_TRUE(reading->otherKeyKept);
        lastCounter = *reading->counter;
    }

    // A later start reads the last whole value, sets nothing aside and
    // clears the temporary files of the killed writers.
    DefaultsStore restarted(directory);
    const auto payload = restarted.stringForKey("payload");
    ASSERT_TRUE(payload.has_value());
    EXPECT_EQ(test::payloadCounter(*payload), lastCounter);
    EXPECT_TRUE(restarted.boolForKey("keep"));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"defaults.json"});
}

} // namespace
} // namespace lumra
