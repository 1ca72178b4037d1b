#include "monitoring/settings/UserDefaultsAppSettingsStore.h"

#include "platform/defaults/DefaultsStore.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace lumra {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class UserDefaultsAppSettingsStoreTest : public ::testing::Test {
private:
    test::TempDir m_root;

protected:
    fs::path directory() const { return m_root / "lumra"; }
    fs::path file() const { return directory() / "defaults.json"; }

    Json fileContents() const {
        std::ifstream in(file(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return Json::parse(text.str());
    }

    std::shared_ptr<DefaultsStore> m_defaults = std::make_shared<DefaultsStore>(directory());
    UserDefaultsAppSettingsStore m_store{m_defaults};
};

TEST_F(UserDefaultsAppSettingsStoreTest, FreshDefaultsAnswerTheRegisteredValuesAndWriteNothing) {
    EXPECT_TRUE(m_store.monitoringEnabled());
    EXPECT_TRUE(m_store.batteryFriendly());
    EXPECT_FALSE(m_store.colorfulIcon());
    EXPECT_EQ(m_store.internetPingTarget(),
              UserDefaultsAppSettingsStore::defaultInternetPingTarget);
    EXPECT_EQ(m_store.lastSSID(), std::nullopt);
    EXPECT_EQ(m_store.userDefaults(), m_defaults);

    EXPECT_FALSE(fs::exists(directory()));
}

struct TargetCase {
    std::string stored;
    std::string expected;
};

TEST_F(UserDefaultsAppSettingsStoreTest, InternetPingTargetIsTrimmedAndBlanksFallBackToTheDefault) {
    const std::string defaultTarget = UserDefaultsAppSettingsStore::defaultInternetPingTarget;
    const std::vector<TargetCase> cases = {
        {"", defaultTarget},
        {"   ", defaultTarget},
        {" \t\r\n\v\f", defaultTarget},
        {"\u00a0\u2003\u2028\u3000\u0085", defaultTarget},
        {"  probe.example \n", "probe.example"},
        {"\u2009192.0.2.7\u00a0", "192.0.2.7"},
        {"10.0.0.1", "10.0.0.1"},
        {"with inner blank", "with inner blank"},
        // Not whitespace: a zero-width space and bytes that are not UTF-8.
        {"\u200bhost", "\u200bhost"},
        {"host\xa0", "host\xef\xbf\xbd"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.stored);
        m_store.setInternetPingTarget(row.stored);
        EXPECT_EQ(m_store.internetPingTarget(), row.expected);
    }
    // Reading trims; the stored text stays as it was written.
    m_store.setInternetPingTarget("  probe.example ");
    EXPECT_EQ(m_defaults->stringForKey("internetPingTarget"), "  probe.example ");
}

TEST_F(UserDefaultsAppSettingsStoreTest, TargetThatIsNotAStringReadsAsTheDefault) {
    m_defaults->setInteger("internetPingTarget", 8);
    EXPECT_EQ(m_store.internetPingTarget(),
              UserDefaultsAppSettingsStore::defaultInternetPingTarget);
}

struct SSIDCase {
    std::optional<std::string> written;
    std::optional<std::string> stored;
};

TEST_F(UserDefaultsAppSettingsStoreTest, LastSSIDIsStoredTrimmedAndRemovedWhenBlank) {
    const std::vector<SSIDCase> cases = {
        {std::nullopt, std::nullopt},   {"", std::nullopt},
        {"  \t\n ", std::nullopt},      {"\u00a0\u2029", std::nullopt},
        {"  Home WiFi  ", "Home WiFi"}, {"Caf\u00e9\u00a0", "Caf\u00e9"},
        {"\nOffice 5G", "Office 5G"},   {"a  b", "a  b"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.written.value_or("(absent)"));
        m_store.setLastSSID("previous");
        m_store.setLastSSID(row.written);
        EXPECT_EQ(m_store.lastSSID(), row.stored);
        DefaultsStore restarted(directory());
        EXPECT_EQ(restarted.stringForKey("lastSSID"), row.stored);
    }
}

TEST_F(UserDefaultsAppSettingsStoreTest, BooleanWrittenByAnotherWriterIsSeenAtTheNextRead) {
    EXPECT_TRUE(m_store.batteryFriendly());
    // The Settings window writes the key directly.
    m_defaults->setBool("batteryFriendly", false);
    EXPECT_FALSE(m_store.batteryFriendly());
    m_defaults->removeObjectForKey("batteryFriendly");
    EXPECT_TRUE(m_store.batteryFriendly());
}

TEST_F(UserDefaultsAppSettingsStoreTest, SettingsPersistUnderTheirOwnNamesAcrossARestart) {
    m_store.setMonitoringEnabled(false);
    m_store.setBatteryFriendly(false);
    m_store.setColorfulIcon(true);
    m_store.setInternetPingTarget("192.0.2.1");
    m_store.setLastSSID("Home");

    EXPECT_EQ(fileContents(), Json::parse(R"({"monitoringEnabled": false, "batteryFriendly": false,
        "colorfulIcon": true, "internetPingTarget": "192.0.2.1", "lastSSID": "Home"})"));

    UserDefaultsAppSettingsStore restarted(std::make_shared<DefaultsStore>(directory()));
    EXPECT_FALSE(restarted.monitoringEnabled());
    EXPECT_FALSE(restarted.batteryFriendly());
    EXPECT_TRUE(restarted.colorfulIcon());
    EXPECT_EQ(restarted.internetPingTarget(), "192.0.2.1");
    EXPECT_EQ(restarted.lastSSID(), "Home");
}

} // namespace
} // namespace lumra
