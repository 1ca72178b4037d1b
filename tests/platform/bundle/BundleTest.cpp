#include "platform/bundle/Bundle.h"

#include "platform/bundle/ProcessInformation.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(BundleTest, TheModificationDateIsTheExecutablesOrElseTheBundleDirectorys) {
    test::TempDir directory;
    const std::filesystem::path root(directory.path());
    const std::filesystem::path executable = root / "lumra";
    std::ofstream(executable) << "#!/bin/sh\n";
    // 2026-03-04 05:06:07.25 UTC on the file, a day later on the directory.
    const timespec fileTime{1772600767, 250000000};
    const timespec times[2] = {fileTime, fileTime};
    ASSERT_EQ(::utimensat(AT_FDCWD, executable.c_str(), times, 0), 0);
    const timespec directoryTimes[2] = {{fileTime.tv_sec + 86400, 0}, {fileTime.tv_sec + 86400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, root.c_str(), directoryTimes, 0), 0);
    using namespace std::chrono;
    const auto expected = system_clock::time_point(seconds(1772600767) + milliseconds(250));
    EXPECT_EQ(Bundle({}, executable, root).executableModificationDate(), expected);
    EXPECT_EQ(Bundle({}, std::nullopt, root).executableModificationDate(),
              system_clock::time_point(seconds(1772600767 + 86400)));
    EXPECT_EQ(Bundle({}, root / "missing", root).executableModificationDate(), std::nullopt);
    EXPECT_EQ(Bundle({}, std::nullopt, {}).executableModificationDate(), std::nullopt);
}

TEST(ProcessInformationTest, SplitsEachVariableAtItsFirstEqualsSign) {
    const auto process = ProcessInformation::current();
    EXPECT_EQ(process.environmentValue("LUMRA_BUNDLE_TEST_MARKER"), "left=right");
    EXPECT_EQ(process.environmentValue("LUMRA_BUNDLE_TEST_UNSET"), std::nullopt);
}

} // namespace
} // namespace lumra
