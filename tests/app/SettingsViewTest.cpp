#include "settings/widgets/SettingsView.h"

#include "panel/widgets/ContentView.h"
#include "qt/CardFrame.h"
#include "qt/Palette.h"
#include "qt/Spinner.h"
#include "qt/ToggleSwitch.h"
#include "settings/widgets/SettingsOverlayCard.h"
#include "tests/app/AppTestFixture.h"
#include "tests/support/WidgetTesting.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>

namespace lumra::test {
namespace {

using namespace std::chrono_literals;

class SettingsViewTest : public AppTest {
protected:
    SettingsViewTest() {
        delegate->startUp();
        loop.runUntilIdle();
    }

    SettingsView& openSettings() {
        delegate->openSettings();
        // The view has no meta-object of its own: findChild would take any widget.
        SettingsView* view = nullptr;
        for (QWidget* child : delegate->settingsWindow()->findChildren<QWidget*>()) {
            if ((view = dynamic_cast<SettingsView*>(child)) != nullptr)
                break;
        }
        EXPECT_NE(view, nullptr);
        return *view;
    }

    static QStringList visibleTexts(QWidget* root) {
        QStringList texts;
        for (QLabel* label : root->findChildren<QLabel*>()) {
            if (label->isVisibleTo(root) && !label->text().isEmpty())
                texts << label->text();
        }
        for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
            if (button->isVisibleTo(root) && !button->text().isEmpty())
                texts << button->text();
        }
        return texts;
    }

    void offerUpdate(std::optional<std::string> notes) {
        AvailableUpdate update{"2.1.0",      99,
                               "2026-12-10", "https://downloads.example.test/lumra-2.1.0.dmg",
                               notes,        std::nullopt};
        fakes.http->answerWith({200, update.encode()});
        auto check = spawn(mainActor(), [update = delegate->appUpdateController()] {
            return update->checkForUpdatesNow();
        });
        loop.runUntilIdle();
        ASSERT_TRUE(check.isFinished());
        ASSERT_TRUE(delegate->appUpdateController()->availableUpdate().get().has_value());
    }
};

TEST_F(SettingsViewTest, BothPagesShowTheirTexts) {
    SettingsView& view = openSettings();
    EXPECT_EQ(view.selectedTab(), SettingsTab::general);
    EXPECT_GE(delegate->settingsWindow()->minimumSize().width(), 720);
    EXPECT_GE(delegate->settingsWindow()->minimumSize().height(), 440);
    EXPECT_EQ(view.minimumSize(), QSize(720, 440));
    const QStringList general = visibleTexts(&view);
    for (const char* text :
         {"Settings", "Lumra", "General", "About", "Manage app behavior and monitoring defaults.",
          "Battery friendly", "Fast while open, slower in background.", "Adaptive",
          "Monitoring also pauses automatically while your computer sleeps.", "Launch at login",
          "Start Lumra automatically when you log in."})
        EXPECT_TRUE(general.contains(QString::fromUtf8(text))) << text;
    EXPECT_FALSE(general.contains(QStringLiteral("Requires approval in System Settings")));
    test::saveScreen(delegate->settingsWindow(), QStringLiteral("settings-general"));

    view.tabButton(SettingsTab::about)->click();
    EXPECT_EQ(view.selectedTab(), SettingsTab::about);
    const QStringList about = visibleTexts(&view);
    for (const char* text :
         {"Network diagnostics for quick, actionable Wi-Fi troubleshooting.", "Current Version",
          "v1.4.0 (7)", "Build ID", "Release Date", "Build Channel", "Stable",
          "Built to monitor signal quality, latency, DNS health and channel congestion in one "
          "place.",
          "Check for Updates"})
        EXPECT_TRUE(about.contains(QString::fromUtf8(text)))
            << text << " in " << about.join(" | ").toStdString();
    EXPECT_FALSE(view.updateCard()->isVisibleTo(&view));
    test::saveScreen(delegate->settingsWindow(), QStringLiteral("settings-about"));
}

TEST_F(SettingsViewTest, TheBatterySwitchWritesOnlyTheStoredKey) {
    SettingsView& view = openSettings();
    EXPECT_TRUE(view.batteryFriendlySwitch()->isChecked());
    const double interval = delegate->wifiMonitor()->pollInterval();
    view.batteryFriendlySwitch()->click();
    EXPECT_FALSE(defaults->boolForKey("batteryFriendly"));
    EXPECT_TRUE(visibleTexts(&view).contains(QStringLiteral("Always Fast")));
    loop.runUntilIdle();
    // The running lifecycle keeps its pace until the next start.
    EXPECT_TRUE(delegate->lifecycleController()->isBatteryFriendly().get());
    EXPECT_DOUBLE_EQ(delegate->wifiMonitor()->pollInterval(), interval);
    // And the switch follows a change made elsewhere.
    defaults->setBool("batteryFriendly", true);
    test::processQueuedEvents();
    EXPECT_TRUE(view.batteryFriendlySwitch()->isChecked());
    EXPECT_TRUE(visibleTexts(&view).contains(QStringLiteral("Adaptive")));
}

TEST_F(SettingsViewTest, AFailedLoginItemChangeShowsTheAlertAndTheSwitchSnapsBack) {
    // A regular file where the autostart directory belongs: writing fails.
    directory.write("lumra/autostart", "not a directory");
    SettingsView& view = openSettings();
    view.launchAtLoginSwitch()->click(); // returns: no nested event loop runs
    EXPECT_FALSE(view.launchAtLoginSwitch()->isChecked());
    ASSERT_TRUE(view.launchAtLoginError().has_value());
    EXPECT_TRUE(
        view.launchAtLoginError()->startsWith(QStringLiteral("Failed to update login item: ")));
    auto* alert = view.findChild<QMessageBox*>();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("Launch at Login"));
    EXPECT_EQ(alert->informativeText(), *view.launchAtLoginError());
    alert->findChildren<QPushButton*>().front()->click();
    test::processQueuedEvents();
    EXPECT_FALSE(view.launchAtLoginError().has_value());
    // A second failure opens it again.
    view.launchAtLoginSwitch()->click();
    EXPECT_TRUE(view.launchAtLoginError().has_value());
}

// Both switches show the registration as it is, whichever of them changed it.
TEST_F(SettingsViewTest, LaunchAtLoginTurnedOnInThePopoverShowsInTheOpenSettingsWindow) {
    SettingsView& window = openSettings();
    ContentView* content = delegate->menuBarController()->contentView();
    content->showPanel(PanelRoute::settings);
    auto* page = dynamic_cast<SettingsOverlayCard*>(content->currentPage());
    ASSERT_NE(page, nullptr);
    ASSERT_FALSE(window.launchAtLoginSwitch()->isChecked());

    page->launchSwitch()->click();
    loop.runUntilIdle();
    test::processQueuedEvents();
    EXPECT_TRUE(page->launchSwitch()->isChecked());
    EXPECT_TRUE(window.launchAtLoginSwitch()->isChecked());

    window.launchAtLoginSwitch()->click();
    loop.runUntilIdle();
    test::processQueuedEvents();
    EXPECT_FALSE(window.launchAtLoginSwitch()->isChecked());
    EXPECT_FALSE(page->launchSwitch()->isChecked());
}

TEST_F(SettingsViewTest, ReleaseNotesAreShownAsTheyAreNeverAsMarkup) {
    offerUpdate("<b>x</b>");
    SettingsView& view = openSettings();
    view.selectTab(SettingsTab::about);
    test::processQueuedEvents();
    ASSERT_TRUE(view.updateCard()->isVisibleTo(&view));
    bool literal = false;
    for (QLabel* label : view.updateCard()->findChildren<QLabel*>())
        literal = literal || (label->text() == QStringLiteral("<b>x</b>") &&
                              label->textFormat() == Qt::PlainText);
    EXPECT_TRUE(literal);
    const QStringList texts = visibleTexts(&view);
    EXPECT_TRUE(texts.contains(QStringLiteral("Update Available: v2.1.0")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Download Update")));
    test::saveScreen(delegate->settingsWindow(), QStringLiteral("settings-about-update"));
    for (QAbstractButton* button : view.updateCard()->findChildren<QAbstractButton*>())
        button->click();
    EXPECT_EQ(fakes.urlOpener->opened,
              std::vector<std::string>{"https://downloads.example.test/lumra-2.1.0.dmg"});
}

TEST_F(SettingsViewTest, LongReleaseNotesStopAfterThreeLinesAndDownloadIsProminent) {
    offerUpdate("First line\nSecond line\nThird line\nFourth line\nFifth line");
    SettingsView& view = openSettings();
    view.selectTab(SettingsTab::about);
    delegate->settingsWindow()->show();
    test::processQueuedEvents();
    const QString shown = view.releaseNotesLabel()->text();
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 2) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("First line\nSecond line\n")));
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("Fourth")));
    // Narrower and wider again: cut anew for each width, never more than three lines.
    delegate->settingsWindow()->resize(720, 460);
    test::processQueuedEvents();
    EXPECT_EQ(view.releaseNotesLabel()->text().count(QLatin1Char('\n')), 2);

    // The accent fill, not a plain bezel.
    KitButton* download = view.downloadButton();
    const QImage image = download->grab().toImage();
    const QColor edge = image.pixelColor(4 * image.width() / 100 + 2, image.height() / 2);
    const QColor accent = statusColor(StatusColor::accent);
    EXPECT_NEAR(edge.red(), accent.red(), 12);
    EXPECT_NEAR(edge.green(), accent.green(), 12);
    EXPECT_NEAR(edge.blue(), accent.blue(), 12);
    test::saveScreen(delegate->settingsWindow(), QStringLiteral("settings-about-long-notes"));
}

TEST_F(SettingsViewTest, CheckForUpdatesWaitsDisabledWithASpinnerWhateverTheOutcome) {
    SettingsView& view = openSettings();
    view.selectTab(SettingsTab::about);
    // Only the checks this window starts.
    delegate->appUpdateController()->checkTask()->cancel();
    loop.runUntilIdle();
    fakes.http->latency = 2s;
    const std::vector<ScriptedHttpClient::Answer> outcomes{
        updateAnswer(99), {500, ""}, {200, "not json"}, updateAnswer(7)};
    for (const auto& outcome : outcomes) {
        fakes.http->answers = {outcome};
        view.checkForUpdatesButton()->click();
        EXPECT_FALSE(view.checkForUpdatesButton()->isEnabled());
        EXPECT_TRUE(view.checkForUpdatesButton()->text().isEmpty());
        EXPECT_TRUE(view.checkForUpdatesButton()->findChild<Spinner*>()->isVisibleTo(&view));
        // The button shrinks to the spinner with its padding.
        EXPECT_EQ(view.checkForUpdatesButton()->width(), 16 + 16);
        loop.runUntilIdle();
        const auto requestsSent = fakes.http->requests.size();
        view.checkForUpdatesButton()->click(); // ignored while pending
        loop.runUntilIdle();
        EXPECT_EQ(fakes.http->requests.size(), requestsSent);
        loop.advanceBy(2s);
        test::processQueuedEvents();
        EXPECT_TRUE(view.checkForUpdatesButton()->isEnabled());
        EXPECT_EQ(view.checkForUpdatesButton()->text(), QStringLiteral("Check for Updates"));
        EXPECT_GT(view.checkForUpdatesButton()->width(), 60);
    }
}

TEST_F(SettingsViewTest, TheWindowOpensCentredItsSidebarKeepsEightAndCtrlWClosesIt) {
    SettingsView& view = openSettings();
    QWidget* window = delegate->settingsWindow();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(window->geometry().center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(window->geometry().center().y() - area.center().y()), 1);
    // The symbol in 10 to 22, the title's ink from 8 after it.
    for (SettingsTab tab : {SettingsTab::general, SettingsTab::about}) {
        KitButton* button = view.tabButton(tab);
        EXPECT_EQ(button->isChecked(), tab == SettingsTab::general);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::PageTab);
        EXPECT_EQ(accessible->state().selected, tab == SettingsTab::general);
        QImage image(button->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        button->draw(painter, QRectF(image.rect()));
        painter.end();
        const auto firstInkFrom = [&](int left) {
            for (int x = left; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qAlpha(image.pixel(x, y)) > 64) // above the selected fill's 0.14
                        return x;
            return -1;
        };
        const int symbolInk = firstInkFrom(0);
        EXPECT_GE(symbolInk, 10);
        EXPECT_LE(symbolInk, 12);
        const int titleInk = firstInkFrom(22);
        EXPECT_GE(titleInk, 30);
        EXPECT_LE(titleInk, 31);
    }
    QShortcut* close = nullptr;
    for (auto* shortcut : window->findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_W))
            close = shortcut;
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(window->isVisible());
    Q_EMIT close->activated();
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace lumra::test
