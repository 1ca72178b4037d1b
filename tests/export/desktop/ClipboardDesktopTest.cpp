// On a real X server: "Copy report" makes the application own the X
// clipboard, and another client (xclip) reads back the very text shown,
// which parses as the report.
#include "concurrency/RunLoop.h"
#include "export/window/DiagnosticsExportWindowView.h"
#include "tests/export/ExportRig.h"
#include "tests/support/WidgetTesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace lumra {
namespace {

using namespace std::chrono_literals;

// Runs xclip while this process keeps serving the clipboard it owns.
QByteArray readClipboardWithXclip() {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    QElapsedTimer timer;
    timer.start();
    while (xclip.state() != QProcess::NotRunning && timer.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    EXPECT_EQ(xclip.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    return xclip.readAllStandardOutput();
}

TEST(ClipboardDesktopTest, CopyReportPutsTheReportOnTheXClipboard) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "runs on an X server";
    VirtualClockRunLoop loop;
    test::ExportRig rig;
    rig.startMonitoring();
    loop.advanceBy(3s);
    DiagnosticsExportWindowView view(rig.engine());
    view.resize(1020, 700);
    view.show();
    test::processQueuedEvents();
    loop.advanceBy(30s);
    test::processQueuedEvents();
    ASSERT_TRUE(view.model()->isReportReady());

    auto* copy = view.findChild<QAbstractButton*>(QStringLiteral("copyButton"));
    ASSERT_NE(copy, nullptr);
    copy->click();
    test::processQueuedEvents();
    EXPECT_EQ(view.model()->actionMessage().get(), "Diagnostics report copied to clipboard.");

    const std::string shown = *view.model()->collectedReportJSONString().get();
    const QByteArray read = readClipboardWithXclip();
    EXPECT_EQ(read.toStdString(), shown);
    const auto parsed = nlohmann::json::parse(read.toStdString(), nullptr, false);
    ASSERT_FALSE(parsed.is_discarded());
    EXPECT_EQ(parsed, nlohmann::json::parse(shown));
    EXPECT_EQ(parsed["schemaVersion"], 2);
    loop.runUntilIdle();
}

} // namespace
} // namespace lumra
