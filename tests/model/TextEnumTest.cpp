// Raw texts, parsing, case order and hashing of every text enumeration.
#include "model/BufferbloatGrade.h"
#include "model/CaptivePortalDetectionReason.h"
#include "model/HealthState.h"
#include "model/PingTarget.h"
#include "model/SignalQuality.h"
#include "model/SpeedTestPhase.h"
#include "model/WiFiBand.h"

#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace lumra {
namespace {

template <class E> using CaseTable = std::vector<std::pair<E, std::string>>;

// Texts that resemble a raw value but are not it: letter case swapped, a
// blank before or after, the blanks removed.
std::vector<std::string> nearMisses(const std::string& raw) {
    std::vector<std::string> misses{" " + raw, raw + " ", "\t" + raw, raw + "\n"};
    std::string swappedCase;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        swappedCase.push_back(
            static_cast<char>(std::isupper(byte) ? std::tolower(byte) : std::toupper(byte)));
    }
    misses.push_back(swappedCase);
    std::string withoutBlanks;
    for (const char c : raw) {
        if (c != ' ') {
            withoutBlanks.push_back(c);
        }
    }
    if (withoutBlanks != raw) {
        misses.push_back(withoutBlanks);
    }
    return misses;
}

template <class E> void expectCaseTable(const CaseTable<E>& expected) {
    std::vector<E> expectedOrder;
    for (const auto& [value, raw] : expected) {
        SCOPED_TRACE(raw);
        expectedOrder.push_back(value);
        EXPECT_EQ(rawValue(value), raw);
        EXPECT_EQ(fromRawValue<E>(raw), value);
        EXPECT_EQ(std::hash<E>{}(value), std::hash<std::string_view>{}(raw));
        for (const std::string& miss : nearMisses(raw)) {
            EXPECT_EQ(fromRawValue<E>(miss), std::nullopt) << "'" << miss << "'";
        }
    }
    const auto all = allCases<E>();
    EXPECT_EQ(std::vector<E>(all.begin(), all.end()), expectedOrder);
    EXPECT_EQ(fromRawValue<E>(""), std::nullopt);
}

TEST(TextEnumTest, WiFiBandCases) {
    expectCaseTable<WiFiBand>({
        {WiFiBand::twoPointFourGigahertz, "2.4 GHz"},
        {WiFiBand::fiveGigahertz, "5 GHz"},
        {WiFiBand::sixGigahertz, "6 GHz"},
        {WiFiBand::unknown, "Unknown"},
    });
}

TEST(TextEnumTest, PingTargetCases) {
    expectCaseTable<PingTarget>(
        {{PingTarget::router, "router"}, {PingTarget::internet, "internet"}});
}

TEST(TextEnumTest, SignalQualityCases) {
    expectCaseTable<SignalQuality>({
        {SignalQuality::good, "good"},
        {SignalQuality::warning, "warning"},
        {SignalQuality::poor, "poor"},
    });
}

TEST(TextEnumTest, CaptivePortalDetectionReasonCases) {
    expectCaseTable<CaptivePortalDetectionReason>({
        {CaptivePortalDetectionReason::none, "none"},
        {CaptivePortalDetectionReason::redirect, "redirect"},
        {CaptivePortalDetectionReason::contentInjection, "contentInjection"},
    });
}

TEST(TextEnumTest, SpeedTestPhaseCases) {
    expectCaseTable<SpeedTestPhase>({
        {SpeedTestPhase::idle, "idle"},
        {SpeedTestPhase::download, "download"},
        {SpeedTestPhase::upload, "upload"},
        {SpeedTestPhase::completed, "completed"},
        {SpeedTestPhase::cancelled, "cancelled"},
        {SpeedTestPhase::failed, "failed"},
    });
}

TEST(TextEnumTest, BufferbloatGradeCases) {
    expectCaseTable<BufferbloatGrade>({
        {BufferbloatGrade::a, "A"},
        {BufferbloatGrade::b, "B"},
        {BufferbloatGrade::c, "C"},
        {BufferbloatGrade::f, "F"},
    });
}

TEST(TextEnumTest, HealthStateCases) {
    expectCaseTable<HealthState>({
        {HealthState::good, "good"},
        {HealthState::warning, "warning"},
        {HealthState::poor, "poor"},
        {HealthState::disconnected, "disconnected"},
    });
}

TEST(TextEnumTest, RefusesTextsOfOtherEnumerationsAndMissingGrades) {
    EXPECT_EQ(fromRawValue<HealthState>("Good"), std::nullopt);
    EXPECT_EQ(fromRawValue<HealthState>(" good"), std::nullopt);
    EXPECT_EQ(fromRawValue<HealthState>("redirect"), std::nullopt);
    EXPECT_EQ(fromRawValue<SignalQuality>("disconnected"), std::nullopt);
    EXPECT_EQ(fromRawValue<WiFiBand>("2.4GHz"), std::nullopt);
    for (const char* grade : {"D", "E"}) {
        EXPECT_EQ(fromRawValue<BufferbloatGrade>(grade), std::nullopt) << grade;
    }
}

// Channel rows are ordered by the band's text, which must follow band order.
TEST(TextEnumTest, WiFiBandTextsSortInBandOrder) {
    EXPECT_LT(rawValue(WiFiBand::twoPointFourGigahertz), rawValue(WiFiBand::fiveGigahertz));
    EXPECT_LT(rawValue(WiFiBand::fiveGigahertz), rawValue(WiFiBand::sixGigahertz));
}

TEST(TextEnumTest, WorksAtCompileTime) {
    static_assert(rawValue(BufferbloatGrade::f) == "F");
    static_assert(fromRawValue<HealthState>("disconnected") == HealthState::disconnected);
    static_assert(allCases<SpeedTestPhase>().front() == SpeedTestPhase::idle);
    static_assert(allCases<SpeedTestPhase>().back() == SpeedTestPhase::failed);
}

TEST(TextEnumTest, ServesAsHashSetKeyAndPrintsItsText) {
    const std::unordered_set<HealthState> seen{HealthState::good, HealthState::good,
                                               HealthState::poor};
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen.contains(HealthState::poor));

    std::ostringstream out;
    out << WiFiBand::sixGigahertz << '|' << CaptivePortalDetectionReason::contentInjection;
    EXPECT_EQ(out.str(), "6 GHz|contentInjection");
}

} // namespace
} // namespace lumra
