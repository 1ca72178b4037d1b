// Test helpers: a private D-Bus daemon in a temporary directory (never the
// system bus) and a fake logind on it, both child processes that end with
// their objects.
#pragma once

#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumra::test {

class PrivateBus {
public:
    // session: anyone may do anything. system: a system bus's policy (method
    // calls denied unless a destination is opened, names owned by root
    // only), with calls allowed to each of openDestinations.
    enum class Kind { session, system };

    PrivateBus() : PrivateBus(Kind::session) {}
    explicit PrivateBus(Kind kind, const std::vector<std::string>& openDestinations = {});
    ~PrivateBus();

    const std::string& address() const { return m_address; }
    std::filesystem::path directory() const { return m_directory.path(); }
    // Ends the daemon; its clients lose their connections.
    void stop();

private:
    TempDir m_directory;
    std::optional<Subprocess> m_daemon;
    std::string m_address;
};

class FakeLogind {
public:
    explicit FakeLogind(const std::string& address);

    // How the impostor's signals travel: to whoever matches them, or to
    // each other connection on the bus alone (which the bus lets through
    // whatever a match says of the sender).
    enum class Delivery { broadcast, unicast };

    // PrepareForSleep(starting) from the owner of org.freedesktop.login1.
    // Each call returns once the bus has passed the signal on.
    void prepareForSleep(bool starting);
    // The same signal from a connection that does not own the name.
    void prepareForSleepAsImpostor(bool starting, Delivery delivery = Delivery::broadcast);
    // A NameOwnerChanged that says the impostor now owns the name, sent by
    // the impostor to each other connection alone.
    void claimNameAsImpostor();

private:
    void command(const std::string& text);

    Subprocess m_process;
};

} // namespace lumra::test
