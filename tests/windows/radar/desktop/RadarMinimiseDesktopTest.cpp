// On a real X server with a window manager (openbox): minimising the radar
// window, which the manager does by iconifying it, keeps the feed, the
// scanner and the sweep running; closing it stops them.
#include "RadarWindowFixture.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <QWindow>
#include <functional>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Runs Qt events until done() holds or timeoutMs of real time pass.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

bool windowManagerIsRunning() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    xprop.waitForFinished(5000);
    return xprop.exitCode() == 0 && xprop.readAllStandardOutput().contains("window id");
}

class RadarMinimiseDesktopTest : public test::RadarWindowTest {
protected:
    ~RadarMinimiseDesktopTest() override {
        if (m_windowManager.state() != QProcess::NotRunning) {
            m_windowManager.terminate();
            if (!m_windowManager.waitForFinished(5000))
                m_windowManager.kill();
            m_windowManager.waitForFinished(5000);
        }
    }
    void startWindowManager() {
        m_windowManager.setProcessChannelMode(QProcess::ForwardedChannels);
        m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        ASSERT_TRUE(m_windowManager.waitForStarted(5000));
        ASSERT_TRUE(waitFor(windowManagerIsRunning)) << "openbox did not take over the display";
    }
    // A window mapped while openbox is still starting may never be shown:
    // map it again then.
    bool showAndWaitForExposure() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            view->show();
            if (waitFor([&] { return view->windowHandle() && view->windowHandle()->isExposed(); },
                        5000))
                return true;
            view->hide();
            settle();
        }
        return false;
    }
    bool isRunning() const {
        return view->radarMonitor()->pollingTask().has_value() &&
               view->nearbyController()->scanTask().has_value() && view->sweepTimer() != nullptr;
    }

private:
    QProcess m_windowManager;
};

TEST_F(RadarMinimiseDesktopTest, MinimisingKeepsTheWorkAndClosingStopsIt) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "runs on an X server";
    startWindowManager();
    ASSERT_TRUE(showAndWaitForExposure());
    settle();
    ASSERT_TRUE(isRunning());

    view->showMinimized();
    ASSERT_TRUE(waitFor([&] { return !view->windowHandle()->isExposed() && view->isMinimized(); }))
        << "the window manager did not iconify the window";
    settle();
    EXPECT_TRUE(isRunning());
    const int reads = interface->reads;
    advance(1s);
    EXPECT_EQ(interface->reads, reads + 4);

    view->showNormal();
    ASSERT_TRUE(waitFor([&] { return view->windowHandle()->isExposed(); }));
    settle();
    EXPECT_TRUE(isRunning());

    view->close();
    settle();
    EXPECT_FALSE(view->radarMonitor()->pollingTask().has_value());
    EXPECT_FALSE(view->nearbyController()->scanTask().has_value());
    EXPECT_EQ(view->sweepTimer(), nullptr);
}

} // namespace
} // namespace lumra
