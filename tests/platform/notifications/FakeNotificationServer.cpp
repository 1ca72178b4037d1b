#include "tests/platform/notifications/FakeNotificationServer.h"

#include <fmt/format.h>
#include <stdexcept>

namespace lumra::test {

namespace {

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : ",") + word;
    return text;
}

constexpr std::string_view notifyPrefix = "notify ";

} // namespace

FakeNotificationServer::FakeNotificationServer(const std::string& address,
                                               std::vector<std::string> capabilities)
    : m_process("/usr/bin/python3",
                {"python3", LUMRA_FAKE_NOTIFICATIONS, address, joined(capabilities)},
                ProcessOptions::commanded()) {
    if (m_process.readLine(std::chrono::seconds(10)) != "ready")
        throw std::runtime_error("the fake notification service did not start");
}

std::optional<nlohmann::json>
FakeNotificationServer::nextNotify(std::chrono::milliseconds timeout) {
    if (m_notified.empty()) {
        const auto line = m_process.readLine(timeout);
        if (!line)
            return std::nullopt;
        if (line->rfind(notifyPrefix, 0) != 0)
            throw std::runtime_error("unexpected line from the fake service: " + *line);
        m_notified.push_back(nlohmann::json::parse(line->substr(notifyPrefix.size())));
    }
    auto first = m_notified.front();
    m_notified.erase(m_notified.begin());
    return first;
}

void FakeNotificationServer::invoke(std::uint32_t id, const std::string& actionKey) {
    command(fmt::format("invoke {} {}", id, actionKey));
}

void FakeNotificationServer::invokeAsImpostor(std::uint32_t id, const std::string& actionKey) {
    command(fmt::format("impostor-invoke {} {}", id, actionKey));
}

void FakeNotificationServer::close(std::uint32_t id, std::uint32_t reason) {
    command(fmt::format("close {} {}", id, reason));
}

void FakeNotificationServer::mute(const std::string& method) {
    command("mute " + method);
}

void FakeNotificationServer::refuse(const std::string& method) {
    command("refuse " + method);
}

void FakeNotificationServer::command(const std::string& text) {
    m_process.writeLine(text);
    for (;;) {
        const auto line = m_process.readLine(std::chrono::seconds(10));
        if (!line)
            throw std::runtime_error("the fake notification service did not answer " + text);
        if (*line == "sent")
            return;
        if (line->rfind(notifyPrefix, 0) != 0)
            throw std::runtime_error("unexpected line from the fake service: " + *line);
        m_notified.push_back(nlohmann::json::parse(line->substr(notifyPrefix.size())));
    }
}

} // namespace lumra::test
