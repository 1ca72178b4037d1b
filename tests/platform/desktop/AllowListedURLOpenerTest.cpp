#include "platform/desktop/AllowListedURLOpener.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace lumra {
namespace {

// Stands where the desktop would be: records what reaches it.
class RecordingOpener final : public AllowListedURLOpener {
public:
    std::vector<std::string> opened;
    bool answer = true;

protected:
    bool openAllowed(const Url& url) override {
        opened.push_back(url.absoluteString());
        return answer;
    }
};

Url urlOf(const std::string& text) {
    auto url = Url::parse(text);
    EXPECT_TRUE(url) << text;
    return url ? *url : *Url::parse("about:blank");
}

struct OpenableCase {
    std::string url;
    bool openable;
};

TEST(AllowListedURLOpenerTest, OpensWebPagesAndExistingFilesOnly) {
    test::TempDir directory;
    const std::string file = directory.write("My Notes/100%.txt", "x");
    const std::vector<OpenableCase> cases = {
        {"https://example.test/download", true},
        {"HTTP://example.test/", true},
        {"hTtPs://example.test", true},
        {"http:relative", false},
        {"https:///no-host", false},
        {"x-apple.systempreferences:com.apple.LoginItems-Settings.extension", false},
        {"x-apple.systempreferences:com.apple.settings.PrivacySecurity.extension"
         "?Privacy_LocationServices",
         false},
        {"mailto:someone@example.test", false},
        {"ftp://example.test/file", false},
        {"javascript:alert(1)", false},
        {"lumra://open", false},
        {"file://" + directory.path() + "/My%20Notes/100%25.txt", true},
        {"file://localhost" + directory.path() + "/My%20Notes/100%25.txt", true},
        {"FILE://" + directory.path(), true},
        {"file://" + directory.path() + "/missing.txt", false},
        {"file://otherhost" + directory.path(), false},
        {"file:///System/Applications/System%20Settings.app", false},
        {"file://" + directory.path() + "%00", false},
        {"/just/a/path", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isOpenableURL(urlOf(c.url)), c.openable) << c.url;
    EXPECT_EQ(file, directory.path() + "/My Notes/100%.txt");
}

TEST(AllowListedURLOpenerTest, RefusedAddressesNeverReachTheDesktop) {
    RecordingOpener opener;
    EXPECT_FALSE(opener.open(urlOf("x-apple.systempreferences:com.apple.preference.security"
                                   "?Privacy_LocationServices")));
    EXPECT_FALSE(opener.open(urlOf("mailto:someone@example.test")));
    EXPECT_TRUE(opener.opened.empty());

    EXPECT_TRUE(opener.open(urlOf("https://example.test/a")));
    opener.answer = false;
    EXPECT_FALSE(opener.open(urlOf("https://example.test/b")));
    EXPECT_EQ(opener.opened,
              (std::vector<std::string>{"https://example.test/a", "https://example.test/b"}));
}

} // namespace
} // namespace lumra
