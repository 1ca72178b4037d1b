// The diagnostic log: one line on stderr per event worth explaining later (an
// error swallowed, a file refused, a fallback taken). Off unless LUMRA_LOG=1
// is in the environment; when off, LUMRA_LOG(...) costs one relaxed load and
// never evaluates its text. Any thread may write; a line is one write(2), so
// lines from different threads never interleave.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace lumra {

class DiagnosticLog {
public:
    static bool isOn() noexcept { return s_on.load(std::memory_order_relaxed); }
    // Writes "lumra: <area>: <text>" with every byte outside printable ASCII
    // escaped, so text a peer sent can neither forge lines nor drive the
    // terminal.
    static void write(std::string_view area, std::string_view text) noexcept;
    // Inside a catch block: "<what>: <the exception's what()>".
    static void writeCaught(std::string_view area, std::string_view what) noexcept;
    // Whether a value of LUMRA_LOG switches the log on ("1", "yes", "on", "true").
    static bool switchesOn(const char* value) noexcept;

    // Tests: while a capture lives the log is on and its lines (without the
    // trailing newline) go to the capture instead of stderr.
    class Capture {
    public:
        explicit Capture(std::function<void(std::string line)> onLine);
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

    private:
        bool m_wasOn;
    };

private:
    static void writeLine(std::string_view area, std::string_view text,
                          std::string_view detail) noexcept;

    static std::atomic<bool> s_on;
};

} // namespace lumra

// LUMRA_LOG("settings", fmt::format("refused {}", path)): the text is built
// only when the log is on.
#define LUMRA_LOG(area, text)                                                                      \
    do {                                                                                           \
        if (::lumra::DiagnosticLog::isOn())                                                        \
            ::lumra::DiagnosticLog::write((area), (text));                                         \
    } while (false)

// In a catch block that goes on without the error: LUMRA_LOG_CAUGHT("bus",
// "reply handler failed") names what failed and the exception's text.
#define LUMRA_LOG_CAUGHT(area, what)                                                               \
    do {                                                                                           \
        if (::lumra::DiagnosticLog::isOn())                                                        \
            ::lumra::DiagnosticLog::writeCaught((area), (what));                                   \
    } while (false)
