// The dig command line the DNS probe runs ("+time=N +tries=N NAME"),
// answered with dig's behaviour: the system resolver's name servers in turn,
// N seconds per try, dig's output form and exit codes (0 for any reply,
// 9 when no server answered, 10 for a name dig cannot read). Other command
// lines are refused as the other stand-ins refuse theirs.
#pragma once

#include "systool/DnsMessage.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace lumra {

struct DigOptions {
    unsigned timeSeconds = 5;
    unsigned tries = 3;
    std::string nameText;
    dns::Name name;
};

struct DigUsageError {
    int exitCode = 64;
    std::string message; // dig's own text with the newline; empty: the usage line
};

std::variant<DigOptions, DigUsageError>
parseDigArguments(const std::vector<std::string>& arguments);

struct NameServer {
    std::string address; // numeric, with "%zone" for a scoped one
    std::uint16_t port = 53;

    bool operator==(const NameServer&) const = default;
};

// "nameserver" lines of resolv.conf, at most three; none gives the local
// host's, as dig does.
std::vector<NameServer> parseResolvConf(std::string_view text);

// "ADDRESS#PORT(ADDRESS)", as dig names a server.
std::string serverText(const NameServer& server);

// Runs the lookup against `servers` and returns dig's standard output and
// exit code.
struct DigRun {
    std::string output;
    int exitCode = 0;
};
DigRun runDigLookup(const std::vector<std::string>& arguments, const DigOptions& options,
                    const std::vector<NameServer>& servers);

} // namespace lumra
