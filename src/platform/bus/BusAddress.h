// Which message bus a connection goes to: the system bus, the session bus
// (both as the environment names them), or an explicit address, which is how
// tests reach a private bus without ever touching the real one.
#pragma once

#include <string>

namespace lumra {

struct BusAddress {
    enum class Kind { system, session, explicitAddress };

    Kind kind = Kind::system;
    // Only for Kind::explicitAddress: a D-Bus address such as "unix:path=/tmp/bus".
    std::string address;

    static BusAddress system() { return BusAddress{Kind::system, {}}; }
    static BusAddress session() { return BusAddress{Kind::session, {}}; }
    static BusAddress explicitAddress(std::string text) {
        return BusAddress{Kind::explicitAddress, std::move(text)};
    }

    bool operator==(const BusAddress&) const = default;
};

} // namespace lumra
