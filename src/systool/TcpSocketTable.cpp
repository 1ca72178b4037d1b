// Reads /proc/net/tcp and tcp6 lines:
//   sl local_address rem_address st tx_queue:rx_queue ...
#include "systool/TcpSocketTable.h"

#include "systool/KernelText.h"

#include <optional>

namespace lumra {

namespace {

struct Endpoint {
    IpAddress address;
    std::uint16_t port = 0;
};

std::optional<Endpoint> parseEndpoint(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto address = parseKernelWordAddress(text.substr(0, colon));
    const auto port = parseHex32(text.substr(colon + 1));
    if (!address || !port || *port > 0xffff) {
        return std::nullopt;
    }
    return Endpoint{*address, static_cast<std::uint16_t>(*port)};
}

std::optional<TcpSocket> parseSocketLine(std::string_view line) {
    const auto fields = splitFields(line);
    if (fields.size() < 5 || fields[0].empty() || fields[0].back() != ':') {
        return std::nullopt;
    }
    const auto local = parseEndpoint(fields[1]);
    const auto remote = parseEndpoint(fields[2]);
    const auto state = parseHex32(fields[3]);
    const std::size_t colon = fields[4].find(':');
    if (!local || !remote || !state || *state > 0xff || colon == std::string_view::npos ||
        local->address.family != remote->address.family) {
        return std::nullopt;
    }
    const auto sendQueue = parseHex64(fields[4].substr(0, colon));
    const auto receiveQueue = parseHex64(fields[4].substr(colon + 1));
    if (!sendQueue || !receiveQueue) {
        return std::nullopt;
    }
    return TcpSocket{
        .localAddress = local->address,
        .localPort = local->port,
        .remoteAddress = remote->address,
        .remotePort = remote->port,
        .state = static_cast<std::uint8_t>(*state),
        .sendQueueBytes = *sendQueue,
        .receiveQueueBytes = *receiveQueue,
    };
}

} // namespace

std::vector<TcpSocket> parseProcNetTcp(std::string_view text) {
    std::vector<TcpSocket> sockets;
    for (const std::string_view line : splitLines(text)) {
        if (auto socket = parseSocketLine(line)) {
            sockets.push_back(*socket);
        }
    }
    return sockets;
}

} // namespace lumra
