// Dispatch on argv[0] or argv[1].
#include "systool/ToolInvocation.h"

#include <array>

namespace lumra {

namespace {

constexpr std::array<std::string_view, 7> kTools{"ping",   "ping6",    "netstat", "ipconfig",
                                                 "scutil", "ifconfig", "dig"};

std::string_view basename(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

bool isKnownTool(std::string_view name) {
    for (const std::string_view tool : kTools) {
        if (tool == name) {
            return true;
        }
    }
    return false;
}

std::optional<ToolInvocation> toolInvocation(const std::vector<std::string>& argv) {
    if (!argv.empty() && isKnownTool(basename(argv[0]))) {
        return ToolInvocation{std::string(basename(argv[0])), {argv.begin() + 1, argv.end()}};
    }
    if (argv.size() >= 2 && isKnownTool(argv[1])) {
        return ToolInvocation{argv[1], {argv.begin() + 2, argv.end()}};
    }
    return std::nullopt;
}

std::string usageText(std::string_view tool) {
    if (tool == "ping") {
        return "usage: ping -c count -W waittime host\n";
    }
    if (tool == "ping6") {
        return "usage: ping6 -c count host\n";
    }
    if (tool == "netstat") {
        return "usage: netstat -n -p tcp | netstat -rn [-f inet | -f inet6]\n";
    }
    if (tool == "ipconfig") {
        return "usage: ipconfig getifaddr interface | ipconfig getoption interface router\n";
    }
    if (tool == "scutil") {
        return "usage: scutil --nc list\n";
    }
    if (tool == "ifconfig") {
        return "usage: ifconfig\n";
    }
    if (tool == "dig") {
        return "usage: dig [+time=seconds] [+tries=count] name\n";
    }
    return "usage: lumra-systool ping|ping6|netstat|ipconfig|scutil|ifconfig|dig arguments...\n";
}

} // namespace lumra
