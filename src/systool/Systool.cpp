// Dispatch of lumra-systool's command lines to the readers and formatters.
#include "systool/Systool.h"

#include "systool/DigCommand.h"
#include "systool/IcmpPing.h"
#include "systool/Ifconfig.h"
#include "systool/InterfaceReader.h"
#include "systool/Ipconfig.h"
#include "systool/KernelText.h"
#include "systool/NetstatRoutes.h"
#include "systool/NetstatTcp.h"
#include "systool/NetworkConnectionList.h"
#include "systool/PingCommand.h"
#include "systool/RouteTable.h"
#include "systool/TcpSocketDiag.h"
#include "systool/TcpSocketTable.h"
#include "systool/ToolInvocation.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fmt/format.h>
#include <string_view>
#include <sys/socket.h>
#include <sysexits.h>
#include <unistd.h>

namespace lumra {

namespace {

using Arguments = std::vector<std::string>;

int writeOut(std::string_view text) {
    return writeToolOutput(text);
}

int fail(std::string_view tool, std::string_view message) {
    return toolFailure(tool, message);
}

int usage(std::string_view tool) {
    return toolUsage(tool);
}

std::optional<std::vector<Route>> readIpv4Routes() {
    const auto text = readTextFile("/proc/net/route");
    if (!text) {
        return std::nullopt;
    }
    return parseProcNetRoute(*text);
}

// A kernel without IPv6 has no ipv6_route: an empty table.
std::vector<Route> readIpv6Routes() {
    return parseProcNetIpv6Route(readTextFile("/proc/net/ipv6_route").value_or(std::string()));
}

int runPing(const std::string& tool, const Arguments& arguments) {
    const auto translated = iputilsPingArguments(tool, arguments);
    if (!translated) {
        return usage(tool);
    }
    if (tool == "ping") {
        // Arguments as translated: "-c" COUNT "-W" MILLISECONDS HOST.
        IcmpPingRequest request;
        request.host = arguments[4];
        request.count = std::stol((*translated)[3]);
        request.wait = std::chrono::milliseconds(std::max(std::stoll(arguments[3]), 1LL));
        if (const auto status = pingOverDatagramSocket(request)) {
            return *status;
        }
    }
    std::fflush(nullptr);
    const int error = execIputilsPing(*translated);
    fail(tool, fmt::format("cannot execute {}: {}", kIputilsPingPaths[0], std::strerror(error)));
    // ping's own status for an error other than a missing reply.
    return 2;
}

int runNetstatTcp() {
    // Over netlink the kernel visits only the sockets that exist; the /proc
    // files walk every bucket of the connection hash table.
    if (const auto tables = readAllTcpSocketsOverNetlink()) {
        return writeOut(formatTcpConnections(tables->ipv4, tables->ipv6));
    }
    const auto ipv4 = readTextFile("/proc/net/tcp");
    if (!ipv4) {
        return fail("netstat", "cannot read /proc/net/tcp");
    }
    const auto ipv6 = readTextFile("/proc/net/tcp6").value_or(std::string());
    return writeOut(formatTcpConnections(parseProcNetTcp(*ipv4), parseProcNetTcp(ipv6)));
}

int runNetstatRoutes(bool inet, bool inet6) {
    RoutingTableSections sections;
    if (inet) {
        sections.inet = readIpv4Routes();
        if (!sections.inet) {
            return fail("netstat", "cannot read /proc/net/route");
        }
    }
    if (inet6) {
        sections.inet6 = readIpv6Routes();
    }
    return writeOut(formatRoutingTable(sections, currentInterfaceIndexes()));
}

int runNetstat(const Arguments& arguments) {
    if (arguments == Arguments{"-n", "-p", "tcp"}) {
        return runNetstatTcp();
    }
    if (arguments == Arguments{"-rn"}) {
        return runNetstatRoutes(true, true);
    }
    if (arguments == Arguments{"-rn", "-f", "inet"}) {
        return runNetstatRoutes(true, false);
    }
    if (arguments == Arguments{"-rn", "-f", "inet6"}) {
        return runNetstatRoutes(false, true);
    }
    return usage("netstat");
}

// Like ipconfig, an interface without the answer prints nothing and exits 1.
int printAddress(const std::optional<IpAddress>& address) {
    if (!address) {
        return 1;
    }
    return writeOut(address->text() + "\n");
}

int runIpconfig(const Arguments& arguments) {
    if (arguments.size() == 3 && arguments[0] == "getoption" && arguments[2] == "router") {
        const auto routes = readIpv4Routes();
        if (!routes) {
            return fail("ipconfig", "cannot read /proc/net/route");
        }
        return printAddress(routerOfInterface(*routes, arguments[1]));
    }
    if (arguments.size() == 2 && arguments[0] == "getifaddr") {
        return printAddress(ipv4AddressOfInterface(readNetworkInterfaces(), arguments[1]));
    }
    return usage("ipconfig");
}

int runIfconfig(const Arguments& arguments) {
    if (!arguments.empty()) {
        return usage("ifconfig");
    }
    return writeOut(formatIfconfig(readNetworkInterfaces()));
}

// The bus reader links libsystemd, which would slow the start of every
// tool the polling loop runs: it is a program of its own beside this one.
int runScutil(const Arguments& arguments) {
    if (arguments != Arguments{"--nc", "list"}) {
        return usage("scutil");
    }
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0) {
        return fail("scutil", "cannot find the program's own directory");
    }
    self.resize(static_cast<std::size_t>(length));
    const std::string program = self.substr(0, self.rfind('/') + 1) + kBusProgramName;
    std::vector<char*> argv{const_cast<char*>("scutil")};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(program.c_str(), argv.data());
    return fail("scutil", fmt::format("cannot execute {}: {}", program, std::strerror(errno)));
}

int runDig(const Arguments& arguments) {
    const auto options = parseDigArguments(arguments);
    if (const auto* error = std::get_if<DigUsageError>(&options)) {
        if (error->message.empty()) {
            return usage("dig");
        }
        std::fwrite(error->message.data(), 1, error->message.size(), stderr);
        return error->exitCode;
    }
    const auto servers = parseResolvConf(readTextFile("/etc/resolv.conf").value_or(std::string()));
    const DigRun run = runDigLookup(arguments, std::get<DigOptions>(options), servers);
    const int written = writeOut(run.output);
    return written != 0 ? written : run.exitCode;
}

int dispatch(const std::string& tool, const Arguments& arguments) {
    if (tool == "dig") {
        return runDig(arguments);
    }
    if (tool == "ping" || tool == "ping6") {
        return runPing(tool, arguments);
    }
    if (tool == "netstat") {
        return runNetstat(arguments);
    }
    if (tool == "ipconfig") {
        return runIpconfig(arguments);
    }
    if (tool == "ifconfig") {
        return runIfconfig(arguments);
    }
    return runScutil(arguments);
}

} // namespace

int writeToolOutput(std::string_view text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

int toolFailure(std::string_view tool, std::string_view message) {
    fmt::print(stderr, "{}: {}\n", tool, message);
    return 1;
}

int toolUsage(std::string_view tool) {
    const std::string text = usageText(tool);
    std::fwrite(text.data(), 1, text.size(), stderr);
    return EX_USAGE;
}

int runSystool(const std::vector<std::string>& argv) {
    const auto invocation = toolInvocation(argv);
    if (!invocation) {
        return usage("");
    }
    try {
        return dispatch(invocation->tool, invocation->arguments);
    } catch (const std::exception& error) {
        return fail(invocation->tool, error.what());
    }
}

} // namespace lumra
