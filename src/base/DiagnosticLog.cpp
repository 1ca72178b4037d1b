#include "base/DiagnosticLog.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <strings.h>
#include <unistd.h>
#include <utility>

namespace lumra {

namespace {

// Longer text is cut: a line explains an event, it does not carry a payload.
constexpr std::size_t lineCapacity = 1024;

std::mutex& captureMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void(std::string)>& captureSink() {
    static std::function<void(std::string)> sink;
    return sink;
}

// Appends text to the line, escaped, as far as it fits.
class LineBuffer {
public:
    void append(std::string_view text, bool escape) {
        static constexpr char hex[] = "0123456789abcdef";
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (!escape || (byte >= 0x20 && byte < 0x7f && byte != '\\')) {
                put({&c, 1});
                continue;
            }
            switch (byte) {
            case '\\':
                put("\\\\");
                break;
            case '\n':
                put("\\n");
                break;
            case '\t':
                put("\\t");
                break;
            case '\r':
                put("\\r");
                break;
            default:
                const char code[] = {'\\', 'x', hex[byte >> 4], hex[byte & 0xf]};
                put({code, sizeof code});
            }
        }
    }
    // Marks a cut line and ends it with a newline, in the room kept for both.
    void finish() {
        const std::string_view end = m_cut ? " [cut]\n" : "\n";
        for (const char c : end)
            m_bytes[m_size++] = c;
    }
    std::string_view text() const { return {m_bytes, m_size}; }

private:
    void put(std::string_view piece) {
        if (m_cut || m_size + piece.size() > lineCapacity) {
            m_cut = true;
            return;
        }
        for (const char c : piece)
            m_bytes[m_size++] = c;
    }

    char m_bytes[lineCapacity + 8];
    std::size_t m_size = 0;
    bool m_cut = false;
};

void writeAll(int fd, std::string_view bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere to report that the report failed
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace

std::atomic<bool> DiagnosticLog::s_on{DiagnosticLog::switchesOn(std::getenv("LUMRA_LOG"))};

bool DiagnosticLog::switchesOn(const char* value) noexcept {
    if (value == nullptr)
        return false;
    for (const char* word : {"1", "yes", "on", "true"}) {
        if (::strcasecmp(value, word) == 0)
            return true;
    }
    return false;
}

void DiagnosticLog::write(std::string_view area, std::string_view text) noexcept {
    writeLine(area, text, {});
}

void DiagnosticLog::writeCaught(std::string_view area, std::string_view what) noexcept {
    const std::exception_ptr error = std::current_exception();
    if (!error) {
        writeLine(area, what, {});
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        writeLine(area, what, exception.what());
    } catch (...) {
        writeLine(area, what, "an exception of no standard type");
    }
}

void DiagnosticLog::writeLine(std::string_view area, std::string_view text,
                              std::string_view detail) noexcept {
    LineBuffer line;
    line.append("lumra: ", /*escape=*/false);
    line.append(area, /*escape=*/true);
    line.append(": ", /*escape=*/false);
    line.append(text, /*escape=*/true);
    if (!detail.empty()) {
        line.append(": ", /*escape=*/false);
        line.append(detail, /*escape=*/true);
    }
    line.finish();
    {
        std::lock_guard lock(captureMutex());
        if (auto& sink = captureSink()) {
            std::string_view withoutNewline = line.text();
            withoutNewline.remove_suffix(1);
            sink(std::string(withoutNewline));
            return;
        }
    }
    writeAll(STDERR_FILENO, line.text());
}

DiagnosticLog::Capture::Capture(std::function<void(std::string)> onLine)
    : m_wasOn(s_on.exchange(true)) {
    std::lock_guard lock(captureMutex());
    captureSink() = std::move(onLine);
}

DiagnosticLog::Capture::~Capture() {
    {
        std::lock_guard lock(captureMutex());
        captureSink() = nullptr;
    }
    s_on.store(m_wasOn);
}

} // namespace lumra
