// lumra-systool-bus: `scutil --nc list` from NetworkManager's active
// connections over the system bus. lumra-systool hands scutil to it, so
// only this program loads libsystemd.
#include "systool/NetworkConnectionList.h"
#include "systool/NetworkManagerClient.h"
#include "systool/Systool.h"

#include <chrono>
#include <exception>
#include <string>
#include <vector>

namespace {

// The VPN probe gives scutil two seconds; answer well inside them.
constexpr std::chrono::milliseconds kBusBudget{1500};

int runScutil(const std::vector<std::string>& arguments) {
    using lumra::ActiveConnectionsReading;
    if (arguments != std::vector<std::string>{"--nc", "list"}) {
        return lumra::toolUsage("scutil");
    }
    const ActiveConnectionsReading reading = lumra::readActiveConnections(kBusBudget);
    if (reading.outcome == ActiveConnectionsReading::Outcome::failed) {
        return lumra::toolFailure("scutil", "NetworkManager: " + reading.error);
    }
    return lumra::writeToolOutput(lumra::formatNetworkConnectionList(reading.connections));
}

} // namespace

int main(int argc, char** argv) {
    try {
        return runScutil(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    } catch (const std::exception& error) {
        return lumra::toolFailure("scutil", error.what());
    }
}
