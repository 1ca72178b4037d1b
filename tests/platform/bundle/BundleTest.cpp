#include "platform/bundle/Bundle.h"

#include "platform/bundle/ProcessInformation.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lumra {
namespace {

TEST(BundleTest, MainBundleCarriesTheConfiguredTableAndTheRunningExecutable) {
    const Bundle& bundle = Bundle::main();
    EXPECT_EQ(bundle.infoValue("CFBundleVersion"), LUMRA_CONFIGURED_BUILD_NUMBER);
    EXPECT_TRUE(bundle.infoValue("CFBundleShortVersionString"));
    EXPECT_EQ(bundle.infoValue("NoSuchKey"), std::nullopt);
    ASSERT_TRUE(bundle.executablePath());
    EXPECT_EQ(bundle.executablePath()->filename(), "platform_bundle_test");
    EXPECT_EQ(bundle.bundlePath(), bundle.executablePath()->parent_path());
    EXPECT_EQ(&Bundle::main(), &bundle);
}

TEST(BundleTest, KeysWithoutAValueAreLeftOutOfTheBuiltInTable) {
    for (const auto& [key, value] : Bundle::main().infoDictionary())
        EXPECT_FALSE(value.empty()) << key;
}

TEST(ProcessInformationTest, SplitsEachVariableAtItsFirstEqualsSign) {
    const auto process = ProcessInformation::current();
    EXPECT_EQ(process.environmentValue("LUMRA_BUNDLE_TEST_MARKER"), "left=right");
    EXPECT_EQ(process.environmentValue("LUMRA_BUNDLE_TEST_UNSET"), std::nullopt);
}

} // namespace
} // namespace lumra
