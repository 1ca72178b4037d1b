#include "platform/login/DesktopEntryExec.h"

#include "tests/platform/login/DesktopEntryReader.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

struct ExecCase {
    std::vector<std::string> arguments;
    std::optional<std::string> value;
};

TEST(DesktopEntryExecTest, QuotesReservedCharactersAndDoublesPercentSigns) {
    const std::vector<ExecCase> cases = {
        {{"/usr/bin/lumra"}, "/usr/bin/lumra"},
        {{"/opt/My Apps/lumra"}, R"("/opt/My Apps/lumra")"},
        {{"/opt/100%/lumra"}, "/opt/100%%/lumra"},
        {{"/opt/My Apps 100%/lumra"}, R"("/opt/My Apps 100%%/lumra")"},
        {{"/opt/a=b,c+d/lumra"}, "/opt/a=b,c+d/lumra"},
        {{"/opt/\xc3\xa9t\xc3\xa9/lumra"}, "/opt/\xc3\xa9t\xc3\xa9/lumra"},
        {{"/opt/say \"hi\"/lumra"}, R"("/opt/say \\"hi\\"/lumra")"},
        {{"/opt/$HOME/lumra"}, R"("/opt/\\$HOME/lumra")"},
        {{"/opt/back\\slash/lumra"}, R"("/opt/back\\\\slash/lumra")"},
        {{"/opt/tick`/lumra"}, R"("/opt/tick\\`/lumra")"},
        {{"/opt/line\nbreak/lumra"}, R"("/opt/line\nbreak/lumra")"},
        {{"/opt/tab\there/lumra"}, R"("/opt/tab\there/lumra")"},
        {{"/opt/~user;x|y&z/lumra"}, R"("/opt/~user;x|y&z/lumra")"},
        {{"/usr/bin/lumra", "--flag", "two words"}, R"(/usr/bin/lumra --flag "two words")"},
        {{}, std::nullopt},
        {{""}, std::nullopt},
        {{"/opt/bell\a/lumra"}, std::nullopt},
        {{"/opt/del\x7f/lumra"}, std::nullopt},
        {{"/opt/\xff/lumra"}, std::nullopt},
        {{"/opt/\xc0\xaf/lumra"}, std::nullopt},
        {{"/opt/\xed\xa0\x80/lumra"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(desktopEntryExecValue(c.arguments), c.value) << label;
    }
}

TEST(DesktopEntryExecTest, ReadsBackAsTheSameArguments) {
    const std::vector<std::string> paths = {
        "/usr/bin/lumra",
        "/home/a b/Apps (old)/lumra",
        "/tmp/100% \"sure\" $x `y` \\z\\/lumra",
        "/tmp/new\nline\ttab\rreturn/lumra",
        "/tmp/'single'/*?#<>/lumra",
        "/tmp/%%%/lumra",
    };
    for (const auto& path : paths) {
        const auto value = desktopEntryExecValue({path, "--hidden arg"});
        ASSERT_TRUE(value) << path;
        EXPECT_EQ(value->find('\n'), std::string::npos) << "one line: " << path;
        EXPECT_EQ(test::readExecValue(*value), (std::vector<std::string>{path, "--hidden arg"}))
            << *value;
    }
}

} // namespace
} // namespace lumra
