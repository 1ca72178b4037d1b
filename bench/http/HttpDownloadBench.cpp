// Downloads 1 GB (or the byte count given as the first argument) from the
// local test server over 4 parallel requests of the HTTP client and prints
// the throughput of each round: three rounds without a body cap (the body
// grows from a bounded first reservation) and three with the cap set to the
// size (reserved in full). Tasks run on the main actor of a real-clock run
// loop; the transfers on the I/O thread.
#include "concurrency/RunLoop.h"
#include "concurrency/Spawn.h"
#include "platform/http/CurlHttpClient.h"
#include "tests/platform/http/LocalHttpServer.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <fmt/format.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int streams = 4;
constexpr int rounds = 3;

} // namespace

int main(int argc, char** argv) {
    using namespace lumra;
    std::uint64_t totalBytes = 1'000'000'000;
    if (argc > 1) {
        const std::string_view text(argv[1]);
        std::from_chars(text.data(), text.data() + text.size(), totalBytes);
    }
    const std::uint64_t perStream = totalBytes / streams;

    test::LocalHttpServer server;
    RunLoop loop;
    auto client = std::make_shared<CurlHttpClient>();
    const auto url = *Url::parse(server.url("/down?bytes=" + std::to_string(perStream)));

    for (int round = 1; round <= 2 * rounds; ++round) {
        std::optional<std::size_t> cap;
        if (round > rounds)
            cap = perStream;
        const auto begin = std::chrono::steady_clock::now();
        std::vector<TaskHandle<std::size_t>> handles;
        for (int i = 0; i < streams; ++i) {
            handles.push_back(spawn(mainActor(), [client, url, cap]() -> Task<std::size_t> {
                auto request = HttpRequest{.url = url, .timeoutSeconds = 10.0, .maxBodyBytes = cap};
                const HttpResponse response = co_await client->send(request);
                co_return response.body.size();
            }));
        }
        std::uint64_t received = 0;
        for (const auto& handle : handles)
            received += loop.await(handle, std::chrono::minutes(5));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        fmt::print(
            "round {} ({}): {} bytes over {} requests in {:.3f} s = {:.2f} GB/s ({:.1f} Gbit/s)\n",
            round, cap ? "capped at the size" : "no cap", received, streams, seconds,
            received / seconds / 1e9, received * 8 / seconds / 1e9);
    }
    return 0;
}
