// Readers for /proc/net text tables.
#include "systool/KernelText.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lumra {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

template <typename T> std::optional<T> parseHex(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    T value = 0;
    const char* end = text.data() + text.size();
    const auto [pointer, error] = std::from_chars(text.data(), end, value, 16);
    if (error != std::errc{} || pointer != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty()) {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

std::optional<std::uint32_t> parseHex32(std::string_view text) {
    return parseHex<std::uint32_t>(text);
}

std::optional<std::uint64_t> parseHex64(std::string_view text) {
    return parseHex<std::uint64_t>(text);
}

std::optional<std::int64_t> parseDecimal64(std::string_view text) {
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [pointer, error] = std::from_chars(text.data(), end, value, 10);
    if (error != std::errc{} || pointer != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<IpAddress> parseKernelWordAddress(std::string_view text) {
    if (text.size() != 8 && text.size() != 32) {
        return std::nullopt;
    }
    IpAddress address;
    address.family = text.size() == 8 ? IpFamily::ipv4 : IpFamily::ipv6;
    for (std::size_t word = 0; word < text.size() / 8; ++word) {
        const auto value = parseHex32(text.substr(word * 8, 8));
        if (!value) {
            return std::nullopt;
        }
        // The kernel printed the word as the CPU holds it; its bytes in
        // memory are the address's bytes in network order.
        std::memcpy(address.bytes.data() + word * 4, &*value, 4);
    }
    return address;
}

std::optional<IpAddress> parseKernelByteAddress(std::string_view text) {
    if (text.size() != 32) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < 16; ++i) {
        const auto value = parseHex32(text.substr(i * 2, 2));
        if (!value) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(*value);
    }
    return IpAddress::ipv6(bytes);
}

// Plain reads: a file stream would set up the C++ locales first, which costs
// more than reading the few kilobytes of a /proc table.
std::optional<std::string> readTextFile(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return std::nullopt;
    }
    std::string contents;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n > 0) {
            contents.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return n == 0 ? std::optional(std::move(contents)) : std::nullopt;
        }
    }
}

} // namespace lumra
