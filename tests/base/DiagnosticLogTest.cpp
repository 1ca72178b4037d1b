#include "base/DiagnosticLog.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumra {
namespace {

struct SwitchCase {
    const char* value;
    bool on;
};

TEST(DiagnosticLogTest, EnvironmentValuesThatSwitchItOn) {
    const SwitchCase cases[] = {{nullptr, false}, {"", false},    {"0", false},  {"off", false},
                                {"no", false},    {"2", false},   {"1", true},   {"yes", true},
                                {"ON", true},     {"true", true}, {"True", true}};
    for (const auto& c : cases)
        EXPECT_EQ(DiagnosticLog::switchesOn(c.value), c.on) << (c.value ? c.value : "(unset)");
}

TEST(DiagnosticLogTest, OffByDefaultAndTextNotBuiltWhenOff) {
    if (DiagnosticLog::isOn())
        GTEST_SKIP() << "LUMRA_LOG switched the log on for this run";
    int built = 0;
    auto text = [&] {
        ++built;
        return std::string("never");
    };
    LUMRA_LOG("area", text());
    EXPECT_EQ(built, 0);
}

TEST(DiagnosticLogTest, OneLinePerEventWithItsArea) {
    std::vector<std::string> lines;
    {
        DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(std::move(line)); });
        LUMRA_LOG("settings", "refused /home/a/b.json: not an object");
        LUMRA_LOG("bus", std::string("reply handler failed"));
    }
    EXPECT_EQ(lines,
              (std::vector<std::string>{"lumra: settings: refused /home/a/b.json: not an object",
                                        "lumra: bus: reply handler failed"}));
    EXPECT_EQ(DiagnosticLog::isOn(), DiagnosticLog::switchesOn(std::getenv("LUMRA_LOG")))
        << "the capture leaves the switch as it found it";
}

TEST(DiagnosticLogTest, EscapesEverythingButPrintableAscii) {
    struct Case {
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        {"plain text", "plain text"},
        {"two\nlines", "two\\nlines"},
        {"tab\there\r", "tab\\there\\r"},
        {std::string("nul\0byte", 8), "nul\\x00byte"},
        {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
        {"back\\slash", "back\\\\slash"},
        {"caf\xc3\xa9", "caf\\xc3\\xa9"},
        {"\x7f", "\\x7f"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines;
        DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(std::move(line)); });
        LUMRA_LOG("net", c.text);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "lumra: net: " + c.written);
    }
}

TEST(DiagnosticLogTest, LongTextIsCutAndMarked) {
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(std::move(line)); });
    LUMRA_LOG("http", std::string(5000, '\n'));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(lines[0].size(), 1100u);
    EXPECT_TRUE(lines[0].ends_with("\\n [cut]")) << lines[0].substr(lines[0].size() - 20);
}

TEST(DiagnosticLogTest, ACaughtErrorNamesWhatFailedAndWhy) {
    std::vector<std::string> lines;
    DiagnosticLog::Capture capture([&](std::string line) { lines.push_back(std::move(line)); });
    try {
        throw std::runtime_error("no route\nto host");
    } catch (...) {
        LUMRA_LOG_CAUGHT("probe", "ping failed");
    }
    try {
        throw 42;
    } catch (...) {
        LUMRA_LOG_CAUGHT("probe", "odd failure");
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "lumra: probe: ping failed: no route\\nto host",
                         "lumra: probe: odd failure: an exception of no standard type"}));
}

} // namespace
} // namespace lumra
