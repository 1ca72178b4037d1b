// Which tool lumra-systool is asked to be, from its argument vector.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumra {

struct ToolInvocation {
    std::string tool;
    std::vector<std::string> arguments;

    bool operator==(const ToolInvocation&) const = default;
};

bool isKnownTool(std::string_view name);

// The runner starts the tool with argv[0] set to the requested path
// ("/sbin/ping"); started by hand it is "lumra-systool TOOL ARGS...". The
// basename of argv[0] decides when it names a tool, else argv[1] must.
std::optional<ToolInvocation> toolInvocation(const std::vector<std::string>& argv);

// One usage line for the tool ("" for the general one), with a newline.
std::string usageText(std::string_view tool);

} // namespace lumra
