// The update check verifies the server's certificate: a server whose
// certificate no authority signed never sees the request.
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "platform/http/CurlHttpClient.h"
#include "shell/update/AppUpdateService.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace lumra {
namespace {

using namespace std::chrono_literals;

TEST(AppUpdateServiceTlsTest, ASelfSignedServerIsRefusedBeforeTheRequest) {
    RunLoop loop;
    test::TempDir scratch;
    test::Subprocess server("/usr/bin/python3",
                            {"python3", LUMRA_TLS_UPDATE_SERVER, scratch.path()},
                            test::ProcessOptions::commanded());
    const auto announced = server.readLine(30s);
    ASSERT_TRUE(announced && announced->rfind("port ", 0) == 0) << announced.value_or("(nothing)");
    const std::string endpoint = "https://127.0.0.1:" + announced->substr(5) + "/v1/update";

    auto service = std::make_shared<AppUpdateService>(*Url::parse(endpoint), std::nullopt, 120,
                                                      std::make_shared<CurlHttpClient>());
    const auto result =
        loop.await(spawn(mainActor(), [service] { return service->checkForUpdate(); }), 30s);
    EXPECT_EQ(result.kind, UpdateCheckResult::Case::checkFailed);
    EXPECT_EQ(server.readLine(20ms), std::nullopt) << "the request went past the handshake";
}

} // namespace
} // namespace lumra
