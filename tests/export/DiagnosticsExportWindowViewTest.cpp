// The export window over real monitors with scripted probes, on the virtual
// clock: the collecting and ready layouts, the card, copy and save through
// the desktop's clipboard and a real (non-blocking) file dialog.
#include "export/window/DiagnosticsExportWindowView.h"

#include "concurrency/RunLoop.h"
#include "export/report/DiagnosticsReportBuilder.h"
#include "export/window/DiagnosticsSharePreviewCard.h"
#include "export/window/ReportTransfer.h"
#include "qt/CapsuleBadge.h"
#include "qt/Palette.h"
#include "qt/SymbolRegistry.h"
#include "tests/export/ExportRig.h"
#include "tests/export/ReportSamples.h"
#include "tests/support/TempDir.h"
#include "tests/support/ViewFixture.h"
#include "tests/support/WidgetTesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace lumra {
namespace {

using namespace std::chrono_literals;
using test::labelsReadingMarkup;
using test::processQueuedEvents;
using test::saveScreen;
namespace Palette = WindowPalette;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ExportWindowTest : public test::VirtualClockViewTest {
protected:
    static void SetUpTestSuite() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        test::useTimeZone("UTC");
    }

    void SetUp() override {
        rig.startMonitoring();
        loop.advanceBy(3s);
        view = std::make_unique<DiagnosticsExportWindowView>(rig.engine());
        view->resize(1020, 700);
    }
    void TearDown() override {
        view.reset();
        loop.runUntilIdle();
    }

    void showAndCollect() {
        view->show();
        processQueuedEvents();
        advance(30s);
        ASSERT_TRUE(view->model()->isReportReady());
    }

    template <class T> T* child(const char* name) const {
        return test::namedChild<T>(view.get(), name);
    }
    bool shown(const char* name) const { return child<QWidget>(name)->isVisibleTo(view.get()); }
    QString textOf(const char* name) const { return child<QLabel>(name)->text(); }
    QColor colorOf(const char* name) const {
        return child<QLabel>(name)->palette().color(QPalette::WindowText);
    }
    // Whether each checklist row is ticked, and its title's colour.
    std::vector<bool> ticks() const {
        std::vector<bool> result;
        for (int i = 0; i < 6; ++i) {
            auto* row = child<QWidget>(QStringLiteral("stage%1").arg(i).toUtf8().constData());
            const QColor color = row->findChild<QLabel*>(QStringLiteral("stageTitle"))
                                     ->palette()
                                     .color(QPalette::WindowText);
            result.push_back(color == Palette::primaryText());
        }
        return result;
    }
    QString metricValue(int index) const {
        auto* metric = child<DiagnosticsCardMetric>(
            QStringLiteral("metric%1").arg(index).toUtf8().constData());
        return metric ? metric->value() : QString();
    }

    test::ExportRig rig;
    std::unique_ptr<DiagnosticsExportWindowView> view;
};

TEST_F(ExportWindowTest, CollectingThenReadyLayouts) {
    view->show();
    processQueuedEvents();
    // Before the pipeline's first stage.
    EXPECT_EQ(textOf("statusLine"), "Collecting metrics...");
    EXPECT_EQ(static_cast<double>(child<QWidget>("progressBar")->width()), 380.0);
    EXPECT_EQ(ticks(), std::vector<bool>(6, false));
    EXPECT_TRUE(shown("progressView"));
    EXPECT_FALSE(shown("resultsRow"));
    EXPECT_FALSE(shown("regenerateButton"));
    EXPECT_FALSE(shown("actionMessage"));
    EXPECT_EQ(textOf("title"), "Diagnostics Export");
    EXPECT_EQ(textOf("subtitle"), "Create a complete diagnostics snapshot for export.");
    saveScreen(view.get(), "export-collecting-start");

    advance(600ms);
    EXPECT_EQ(textOf("statusLine"), "Collecting channel info...");
    EXPECT_EQ(ticks(), (std::vector<bool>{true, true, true, false, false, false}))
        << "the stage in progress looks like those to come";
    saveScreen(view.get(), "export-collecting-channel");

    advance(30s);
    EXPECT_FALSE(shown("progressView"));
    EXPECT_TRUE(shown("resultsRow"));
    EXPECT_TRUE(shown("regenerateButton"));
    EXPECT_EQ(child<QAbstractButton>("regenerateButton")->toolTip(),
              "Collect metrics again and generate a new report");
    EXPECT_EQ(child<QWidget>("previewColumn")->width(), 350);
    auto* json = child<QPlainTextEdit>("jsonText");
    EXPECT_TRUE(json->isReadOnly());
    EXPECT_TRUE(json->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_EQ(json->toPlainText().toStdString(), *view->model()->collectedReportJSONString().get());
    EXPECT_EQ(json->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(child<QAbstractButton>("copyButton")->toolTip(), "Copy report");
    EXPECT_EQ(child<QAbstractButton>("copyButton")->accessibleName(), "Copy report");
    EXPECT_EQ(child<QAbstractButton>("shareButton")->toolTip(), "Share report");
    EXPECT_EQ(child<QWidget>("copyButton")->size(), QSize(28, 24));
    EXPECT_EQ(metricValue(6), "246 / 38 Mbps");
    EXPECT_EQ(metricValue(3), "12.3 ms");
    saveScreen(view.get(), "export-ready");
    EXPECT_TRUE(
        test::saveScreenWithFocus(view.get(), child<QWidget>("regenerateButton"), "export-focus"));
    EXPECT_EQ(labelsReadingMarkup(view.get()), QStringList());

    // Regenerate: the card and the text go at once, the progress comes back.
    child<QAbstractButton>("copyButton")->click();
    processQueuedEvents();
    EXPECT_TRUE(shown("actionMessage"));
    child<QAbstractButton>("regenerateButton")->click();
    settle();
    EXPECT_TRUE(shown("progressView"));
    EXPECT_FALSE(shown("resultsRow"));
    EXPECT_FALSE(shown("regenerateButton"));
    EXPECT_FALSE(shown("actionMessage"));
    EXPECT_TRUE(child<QPlainTextEdit>("jsonText")->toPlainText().isEmpty());
}

TEST_F(ExportWindowTest, TheCopySymbolFallsBackWhereTheSquaresAreMissing) {
    ASSERT_FALSE(hasSymbol(QStringLiteral("square.on.square")));
    EXPECT_EQ(DiagnosticsExportWindowView::copySymbolName(), "doc.on.doc");
    EXPECT_TRUE(hasSymbol(QStringLiteral("doc.on.doc")));
    for (const char* symbol :
         {"square.and.arrow.up", "arrow.clockwise", "checkmark.seal.fill", "checkmark.circle.fill"})
        EXPECT_TRUE(hasSymbol(QString::fromUtf8(symbol))) << symbol;
}

TEST_F(ExportWindowTest, CopyPutsTheShownTextOnTheClipboard) {
    view->show();
    processQueuedEvents();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    child<QAbstractButton>("copyButton")->click();
    // Not ready: the buttons are hidden, so the action goes through the model.
    view->model()->copyReport(*std::make_shared<ClipboardReportPasteboard>());
    processQueuedEvents();
    EXPECT_EQ(textOf("actionMessage"), "Diagnostics report is still being collected.");
    EXPECT_EQ(colorOf("actionMessage"), Palette::secondaryText());
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    advance(30s);
    child<QAbstractButton>("copyButton")->click();
    processQueuedEvents();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              *view->model()->collectedReportJSONString().get());
    EXPECT_EQ(textOf("actionMessage"), "Diagnostics report copied to clipboard.");
    EXPECT_EQ(colorOf("actionMessage"), Palette::successText());
    saveScreen(view.get(), "export-copied");
}

TEST_F(ExportWindowTest, SaveGoesThroughANonBlockingDialogAndWritesTheShownText) {
    showAndCollect();
    test::TempDir dir;
    auto* panel = static_cast<FileDialogReportSavePanel*>(view->savePanel().get());

    child<QAbstractButton>("shareButton")->click();
    processQueuedEvents();
    QFileDialog* dialog = panel->openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible()) << "the click returned with the dialog open";
    EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
    EXPECT_EQ(dialog->parentWidget(), nullptr) << "a window of its own";
    EXPECT_EQ(dialog->windowTitle(), "Save Diagnostics Report");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(QFileInfo(dialog->selectedFiles().value(0)).fileName().toStdString(),
              view->model()->diagnosticsExportFileName());
    const std::string shownText = *view->model()->collectedReportJSONString().get();

    // Dismissed: nothing changes.
    dialog->reject();
    processQueuedEvents();
    EXPECT_FALSE(shown("actionMessage"));

    child<QAbstractButton>("shareButton")->click();
    processQueuedEvents();
    dialog = panel->openDialog();
    ASSERT_NE(dialog, nullptr);
    // The user types another name, with its folder.
    const QString target = QString::fromStdString(dir.path()) + "/chosen.json";
    auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    nameField->setText(target);
    static_cast<QDialog*>(dialog)->accept();
    processQueuedEvents();
    EXPECT_EQ(readFile(target.toStdString()), shownText);
    EXPECT_EQ(textOf("actionMessage"), "Diagnostics report saved to chosen.json.");
    EXPECT_EQ(colorOf("actionMessage"), Palette::successText());
    saveScreen(view.get(), "export-saved");

    // A directory where the file should go: the desktop dialog would open
    // it, so a panel answers with it directly.
    const auto blocked = std::filesystem::path(dir.path()) / "blocked.json";
    std::filesystem::create_directories(blocked / "inside");
    struct AnsweringPanel final : ReportSavePanel {
        std::filesystem::path answer;
        void begin(Request,
                   std::function<void(std::optional<std::filesystem::path>)> completion) override {
            completion(answer);
        }
    };
    auto answering = std::make_shared<AnsweringPanel>();
    answering->answer = blocked;
    view->setSavePanel(answering);
    child<QAbstractButton>("shareButton")->click();
    processQueuedEvents();
    EXPECT_EQ(textOf("actionMessage"), "Failed to save diagnostics report.");
    EXPECT_EQ(colorOf("actionMessage"), Palette::errorText());
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2)
        << "chosen.json and blocked.json only";
    saveScreen(view.get(), "export-save-failed");
}

TEST_F(ExportWindowTest, TheCardShowsTheReportAndItsCapsule) {
    using namespace std::chrono;
    for (auto [state, text, color] : std::vector<std::tuple<HealthState, QString, StatusColor>>{
             {HealthState::good, "GOOD", StatusColor::green},
             {HealthState::warning, "WARNING", StatusColor::yellow},
             {HealthState::poor, "POOR", StatusColor::orange},
             {HealthState::disconnected, "DISCONNECTED", StatusColor::gray}}) {
        auto input = test::fullReportInput();
        input.diagnosticsSnapshot->healthState = state;
        DiagnosticsSharePreviewCard card(buildDiagnosticsExportReport(input));
        EXPECT_EQ(card.capsule()->text(), text);
        EXPECT_EQ(card.capsule()->style().fill, withOpacity(statusColor(color), 0.95));
        EXPECT_EQ(card.capsule()->style().textColor, QColor(Qt::black));
        // The locale's medium styles: a narrow no-break space before AM.
        EXPECT_EQ(card.updatedLabel()->text(),
                  QString::fromUtf8("Updated Mar 1, 2026, 9:05:07\u202fAM"))
            << card.updatedLabel()->text().toStdString();
    }
    DiagnosticsSharePreviewCard empty(buildDiagnosticsExportReport(test::emptyReportInput()));
    empty.resize(322, empty.sizeHint().height());
    for (int i = 0; i < 7; ++i) {
        auto* metric = empty.findChild<DiagnosticsCardMetric*>(QStringLiteral("metric%1").arg(i));
        ASSERT_NE(metric, nullptr);
        EXPECT_EQ(metric->value(), "Unavailable");
    }
    saveScreen(&empty, "export-card-empty");
}

TEST_F(ExportWindowTest, ALongNetworkNameShrinksThenIsCut) {
    auto input = test::fullReportInput();
    input.diagnosticsSnapshot->wifiSnapshot->ssid =
        "A rather long network name that cannot fit the card at all";
    DiagnosticsSharePreviewCard card(buildDiagnosticsExportReport(input));
    card.resize(322, card.sizeHint().height());
    card.show();
    processQueuedEvents();
    auto* ssid = card.findChild<DiagnosticsCardMetric*>(QStringLiteral("metric0"));
    ASSERT_NE(ssid, nullptr);
    EXPECT_EQ(ssid->valueLabel()->font().pixelSize(), 9) << "0.8 of 11, rounded";
    EXPECT_TRUE(ssid->valueLabel()->text().endsWith(QChar(0x2026)));
    EXPECT_EQ(ssid->valueLabel()->text().count('\n'), 0);
    auto* signal = card.findChild<DiagnosticsCardMetric*>(QStringLiteral("metric1"));
    EXPECT_EQ(signal->valueLabel()->font().pixelSize(), 11);
    saveScreen(&card, "export-card-long-ssid");
}

TEST_F(ExportWindowTest, AtTheWindowsMinimumSizeEveryActionShowsWithoutScrolling) {
    view->resize(860, 580);
    showAndCollect();
    auto* scroll = child<QScrollArea>("contentScroll");
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0);
    for (const char* name : {"regenerateButton", "copyButton", "shareButton"}) {
        auto* button = child<QWidget>(name);
        ASSERT_TRUE(button->isVisibleTo(view.get())) << name;
        const QRect onView(button->mapTo(view.get(), QPoint(0, 0)), button->size());
        EXPECT_TRUE(view->rect().contains(onView)) << name;
    }
    // Below it the content scrolls rather than squeezing further.
    view->resize(700, 400);
    processQueuedEvents();
    EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0);
    view->resize(860, 580);
    processQueuedEvents();
    saveScreen(view.get(), "export-minimum-size");
}

TEST_F(ExportWindowTest, HidingTheWindowCancelsItsCollectionWhichStillFinishes) {
    rig.speedRunner->chunkDuration = 30s;
    view->show();
    processQueuedEvents();
    advance(6s);
    ASSERT_EQ(view->model()->collectionMessage().get(), "Running speed test...");
    const auto testTask = rig.speedTest->runningTask();
    view->hide();
    settle();
    EXPECT_TRUE(testTask->isCancelled());
    EXPECT_TRUE(view->model()->isReportReady());
    EXPECT_EQ(view->model()->collectedReportJSONString().get()->find("timed out"),
              std::string::npos);
}

} // namespace
} // namespace lumra

namespace lumra {
namespace {

// As the window host holds it: the view inside a window. Closing the window
// is the view leaving the screen; showing it again collects again.
TEST_F(ExportWindowTest, ClosingTheHostWindowCancelsItsCollection) {
    rig.speedRunner->chunkDuration = 30s;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(view.release());
    auto* hosted = window.findChild<DiagnosticsExportWindowView*>();
    window.resize(1020, 700);
    window.show();
    processQueuedEvents();
    advance(6s);
    ASSERT_EQ(hosted->model()->collectionMessage().get(), "Running speed test...");
    const auto runningTask = rig.speedTest->runningTask();
    ASSERT_TRUE(runningTask.has_value());
    const auto testTask = runningTask.value();

    EXPECT_FALSE(testTask.isCancelled());
    window.hide();
    settle();
    EXPECT_TRUE(testTask.isCancelled());
    EXPECT_TRUE(hosted->model()->isReportReady());

    window.show();
    settle();
    EXPECT_TRUE(hosted->model()->isCollectingReport().get()) << "shown again: a new collection";
    window.hide();
    settle();
}

} // namespace
} // namespace lumra

namespace lumra {
namespace {

TEST_F(ExportWindowTest, UnderAGermanLocaleTheCardKeepsItsPointAndDatesFollowTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DiagnosticsSharePreviewCard card(buildDiagnosticsExportReport(test::fullReportInput()));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    auto* ping = card.findChild<DiagnosticsCardMetric*>(QStringLiteral("metric3"));
    ASSERT_NE(ping, nullptr);
    EXPECT_EQ(ping->value(), "12.3 ms");
    EXPECT_EQ(card.findChild<DiagnosticsCardMetric*>(QStringLiteral("metric4"))->value(),
              "18.0 ms");
    const QString updated = card.updatedLabel()->text();
    EXPECT_EQ(updated, "Updated 01.03.2026, 09:05:07") << updated.toStdString();
}

} // namespace
} // namespace lumra
