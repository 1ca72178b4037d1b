#include "app/QuitSignals.h"

#include "base/UniqueFd.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace lumra {

namespace {

UniquePipe signalPipe;

void writeSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a handler; a full pipe already has a quit in it.
    [[maybe_unused]] const auto written = ::write(signalPipe.write.get(), &byte, 1);
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> onQuit, QObject* parent)
    : QObject(parent), m_onQuit(std::move(onQuit)) {
    signalPipe = openPipe(O_CLOEXEC | O_NONBLOCK);
    if (!signalPipe.read)
        return;
    auto* notifier = new QSocketNotifier(signalPipe.read.get(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe.read.get(), bytes, sizeof bytes) > 0) {
        }
        if (m_onQuit)
            m_onQuit();
    });
    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    signalPipe = {};
}

} // namespace lumra
