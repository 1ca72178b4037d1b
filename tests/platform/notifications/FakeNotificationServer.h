// Test helper: a fake freedesktop notification service (fake_notifications.py)
// on a private bus, as a child process: it records each Notify call and sends
// the service's signals on command, from its own connection or an impostor's,
// and on command stops answering or refuses.
#pragma once

#include "tests/support/Subprocess.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace lumra::test {

class FakeNotificationServer {
public:
    // capabilities: what GetCapabilities answers, such as {"body-markup"}.
    FakeNotificationServer(const std::string& address, std::vector<std::string> capabilities);

    // The next Notify call the service answered, as a JSON object with app,
    // replaces_id, icon, summary, body, actions, hints, timeout and id.
    std::optional<nlohmann::json> nextNotify(std::chrono::milliseconds timeout);

    void invoke(std::uint32_t id, const std::string& actionKey);
    void invokeAsImpostor(std::uint32_t id, const std::string& actionKey);
    void close(std::uint32_t id, std::uint32_t reason);
    // From now on method ("GetCapabilities", "Notify") never answers, or
    // answers with an error.
    void mute(const std::string& method);
    void refuse(const std::string& method);

private:
    void command(const std::string& text);

    Subprocess m_process;
    std::vector<nlohmann::json> m_notified;
};

} // namespace lumra::test
