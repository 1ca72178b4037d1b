#include "systool/DnsMessage.h"

#include "systool/DigCommand.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int value : values) {
        out += static_cast<char>(value);
    }
    return out;
}

const std::string kHeader = bytes({0x12, 0x34, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0});
const std::string kQuestion = bytes({1, 'a', 4, 't', 'e', 's', 't', 0, 0, 1, 0, 1});

TEST(DnsMessageTest, QueryCarriesTheNameRecursionAndEdns) {
    const auto name = std::get<dns::Name>(dns::parseName("a.test"));
    const std::string query = dns::encodeQuery(0x1234, name, 1);
    EXPECT_EQ(query, bytes({0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 1}) + kQuestion +
                         bytes({0, 0, 41, 0x04, 0xd0, 0, 0, 0, 0, 0, 0}));
}

TEST(DnsMessageTest, DecodesACompressedAnswerAndPrintsItAsDigDoes) {
    const std::string wire =
        kHeader + kQuestion + bytes({0xc0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 10, 0, 0, 9});
    const auto message = dns::decodeMessage(wire);
    ASSERT_TRUE(message);
    ASSERT_EQ(message->answers.size(), 1u);
    EXPECT_EQ(dns::nameText(message->answers[0].name), "a.test.");
    EXPECT_EQ(message->answers[0].data, "10.0.0.9");
    const std::string text = dns::formatReply(*message);
    EXPECT_NE(text.find(";; flags: qr rd ra; QUERY: 1, ANSWER: 1, AUTHORITY: 0, ADDITIONAL: 0\n"),
              std::string::npos);
    EXPECT_NE(text.find(";a.test.\t\t\t\tIN\tA\n"), std::string::npos) << text;
    EXPECT_NE(text.find("a.test.\t\t\t60\tIN\tA\t10.0.0.9\n"), std::string::npos) << text;
}

TEST(DnsMessageTest, RefusesMalformedMessages) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"short header", bytes({0x12, 0x34, 0x81})},
        {"question cut", kHeader + bytes({1, 'a', 4, 't'})},
        {"pointer to itself", kHeader + bytes({0xc0, 12, 0, 1, 0, 1})},
        {"pointer forwards", kHeader + bytes({0xc0, 20, 0, 1, 0, 1, 0, 0})},
        {"reserved label type", kHeader + bytes({0x40, 0, 0, 1, 0, 1})},
        {"answer missing", kHeader + kQuestion},
        {"data longer than the message",
         kHeader + kQuestion + bytes({0xc0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 9, 10, 0, 0, 9})},
    };
    for (const auto& [what, wire] : cases) {
        EXPECT_FALSE(dns::decodeMessage(wire)) << what;
    }
}

TEST(DnsMessageTest, OddRecordDataFallsBackToTheGenericForm) {
    const std::string wire =
        kHeader + kQuestion + bytes({0xc0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 3, 10, 0, 9});
    const auto message = dns::decodeMessage(wire);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->answers[0].data, "\\# 3 0A0009");
}

TEST(DnsMessageTest, NamesReadAndPrintWithDigsEscapes) {
    EXPECT_EQ(dns::nameText(std::get<dns::Name>(dns::parseName("a\\.b.test"))), "a\\.b.test.");
    EXPECT_EQ(dns::nameText(std::get<dns::Name>(dns::parseName("a\\032b"))), "a\\032b.");
    EXPECT_EQ(dns::nameText(std::get<dns::Name>(dns::parseName("\xc3\xa9"))), "\\195\\169.");
    EXPECT_EQ(dns::nameText(std::get<dns::Name>(dns::parseName("."))), ".");
    const std::string longest = std::string(63, 'x') + "." + std::string(63, 'x') + "." +
                                std::string(63, 'x') + "." + std::string(61, 'x');
    EXPECT_TRUE(std::holds_alternative<dns::Name>(dns::parseName(longest)));
    EXPECT_EQ(std::get<std::string>(dns::parseName(longest + "x")), "ran out of space");
}

TEST(DnsMessageTest, ResolverConfigurationGivesAtMostThreeServers) {
    const auto servers = parseResolvConf("# local\nsearch example.test\nnameserver 127.0.0.53\n"
                                         "nameserver   ::1 \n  nameserver\tfe80::1%lo\n"
                                         "nameserver bogus\nnameserver 10.0.0.1\n"
                                         "nameserver 10.0.0.2\n");
    EXPECT_EQ(servers,
              (std::vector<NameServer>{{"127.0.0.53", 53}, {"::1", 53}, {"fe80::1%lo", 53}}));
    EXPECT_EQ(parseResolvConf("options edns0\n"),
              (std::vector<NameServer>{{"127.0.0.1", 53}, {"::1", 53}}));
    EXPECT_EQ(serverText({"::1", 53}), "::1#53(::1)");
}

TEST(DnsMessageTest, ArgumentsAreTheProbesCommandLine) {
    const auto options = std::get<DigOptions>(parseDigArguments({"+time=2", "+tries=1", "a.test"}));
    EXPECT_EQ(options.timeSeconds, 2u);
    EXPECT_EQ(options.tries, 1u);
    EXPECT_EQ(options.nameText, "a.test");
    const auto zero = std::get<DigOptions>(parseDigArguments({"+time=0", "+tries=0", "a.test"}));
    EXPECT_EQ(zero.timeSeconds, 1u);
    EXPECT_EQ(zero.tries, 1u);
    for (const std::vector<std::string>& refused : {std::vector<std::string>{},
                                                    {"+short", "a.test"},
                                                    {"-x", "a.test"},
                                                    {"@1.1.1.1", "a"},
                                                    {"a.test", "b.test"},
                                                    {"+time=-1", "a.test"}}) {
        EXPECT_EQ(std::get<DigUsageError>(parseDigArguments(refused)).exitCode, 64);
    }
}

} // namespace
} // namespace lumra
