// Translation of BSD ping command lines to iputils ones.
#include "systool/PingCommand.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fmt/format.h>
#include <unistd.h>

namespace lumra {

namespace {

constexpr std::size_t kMaxHostLength = 1025;
constexpr long long kMaxCount = 2147483647;

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<long long> decimal(std::string_view text, long long max) {
    if (!isDigits(text)) {
        return std::nullopt;
    }
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [pointer, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || pointer != end || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> countText(std::string_view text) {
    const auto count = decimal(text, kMaxCount);
    if (!count || *count < 1) {
        return std::nullopt;
    }
    return fmt::format("{}", *count);
}

} // namespace

std::optional<std::string> waitSecondsText(std::string_view milliseconds) {
    auto value = decimal(milliseconds, kMaxWaitMilliseconds);
    if (!value) {
        return std::nullopt;
    }
    const long long wait = std::max(*value, 1LL);
    std::string text = fmt::format("{}.{:03}", wait / 1000, wait % 1000);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

bool isAcceptableHost(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostLength || host.front() == '-') {
        return false;
    }
    return std::none_of(host.begin(), host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7f;
    });
}

std::optional<std::vector<std::string>>
iputilsPingArguments(std::string_view tool, const std::vector<std::string>& arguments) {
    if (tool == "ping" && arguments.size() == 5 && arguments[0] == "-c" && arguments[2] == "-W") {
        const auto count = countText(arguments[1]);
        const auto wait = waitSecondsText(arguments[3]);
        if (!count || !wait || !isAcceptableHost(arguments[4])) {
            return std::nullopt;
        }
        // BSD ping is IPv4 only; "--" keeps iputils from reading the host
        // as an option whatever it looks like.
        return std::vector<std::string>{"ping", "-4",  "-c", *count,
                                        "-W",   *wait, "--", arguments[4]};
    }
    if (tool == "ping6" && arguments.size() == 3 && arguments[0] == "-c") {
        const auto count = countText(arguments[1]);
        if (!count || !isAcceptableHost(arguments[2])) {
            return std::nullopt;
        }
        return std::vector<std::string>{"ping", "-6", "-c", *count, "--", arguments[2]};
    }
    return std::nullopt;
}

int execIputilsPing(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int error = ENOENT;
    for (const char* path : kIputilsPingPaths) {
        execv(path, argv.data());
        error = errno;
    }
    return error;
}

} // namespace lumra
