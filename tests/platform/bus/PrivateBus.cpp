#include "tests/platform/bus/PrivateBus.h"

#include <chrono>
#include <fstream>
#include <stdexcept>

namespace lumra::test {

namespace {

std::string sessionPolicy() {
    return R"(  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
)";
}

// As Debian's system.conf and a service's own policy file have it.
std::string systemPolicy(const std::vector<std::string>& openDestinations) {
    std::string policy = R"(  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
)";
    for (const auto& destination : openDestinations)
        policy += "    <allow send_destination=\"" + destination + "\"/>\n";
    policy += R"(  </policy>
  <policy user="root">
    <allow own="*"/>
  </policy>
)";
    return policy;
}

} // namespace

PrivateBus::PrivateBus(Kind kind, const std::vector<std::string>& openDestinations) {
    const auto socket = m_directory / "bus";
    const auto config = m_directory / "bus.conf";
    std::ofstream(config)
        << R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>)"
        << (kind == Kind::system ? "system" : "session") << R"(</type>
  <listen>unix:path=)"
        << socket.string() << R"(</listen>
  <auth>EXTERNAL</auth>
)" << (kind == Kind::system ? systemPolicy(openDestinations) : sessionPolicy())
        << R"(</busconfig>
)";
    ProcessOptions quiet;
    quiet.errors = ErrorOutput::discarded; // only a notice on descriptor limits
    m_daemon.emplace("/usr/bin/dbus-daemon",
                     std::vector<std::string>{"dbus-daemon", "--nofork", "--nopidfile",
                                              "--config-file=" + config.string(),
                                              "--print-address=1"},
                     quiet);
    auto address = m_daemon->readLine(std::chrono::seconds(10));
    if (!address || address->empty())
        throw std::runtime_error("the private bus did not start");
    m_address = *address;
}

PrivateBus::~PrivateBus() {
    stop();
}

void PrivateBus::stop() {
    if (m_daemon)
        m_daemon->stop();
}

FakeLogind::FakeLogind(const std::string& address)
    : m_process("/usr/bin/python3", {"python3", LUMRA_FAKE_LOGIN1, address},
                ProcessOptions::commanded()) {
    const auto ready = m_process.readLine(std::chrono::seconds(10));
    if (ready != "ready")
        throw std::runtime_error("the fake logind did not start");
}

void FakeLogind::prepareForSleep(bool starting) {
    command(starting ? "true" : "false");
}

void FakeLogind::prepareForSleepAsImpostor(bool starting, Delivery delivery) {
    const std::string kind = delivery == Delivery::unicast ? "impostor-unicast-" : "impostor-";
    command(kind + (starting ? "true" : "false"));
}

void FakeLogind::claimNameAsImpostor() {
    command("impostor-claim");
}

void FakeLogind::command(const std::string& text) {
    m_process.writeLine(text);
    if (m_process.readLine(std::chrono::seconds(10)) != "sent")
        throw std::runtime_error("the fake logind did not send " + text);
}

} // namespace lumra::test
