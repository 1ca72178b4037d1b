// The Diagnostics Export window's content, built once by the menu-bar
// controller and kept, with its state, while the window is hidden. It runs a
// collection whenever it comes on screen (leaving the screen cancels it; a
// minimised window has not left it), shows the staged progress, then the
// share card beside the report's JSON text with copy and save, and offers
// "Regenerate". Below its own minimum size the content scrolls. Main thread.
#pragma once

#include "export/collection/DiagnosticsExportViewModel.h"
#include "shell/services/Engine.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QAbstractButton;
class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QBoxLayout;
class QVBoxLayout;

namespace lumra {

class DeferredRefresh;
class ProgressBar;

class DiagnosticsExportWindowView final : public QWidget {
public:
    // The smallest size the content is laid out at: the window's own minimum,
    // so Regenerate, Copy and Share show at every size the window allows
    // (the JSON column narrows); below it, it scrolls.
    static constexpr int minimumContentWidth = 860;
    static constexpr int minimumContentHeight = 580;

    explicit DiagnosticsExportWindowView(const Engine& engine, QWidget* parent = nullptr);
    ~DiagnosticsExportWindowView() override;

    const std::shared_ptr<DiagnosticsExportViewModel>& model() const { return m_model; }
    // The save dialog; the desktop's own unless replaced.
    void setSavePanel(std::shared_ptr<ReportSavePanel> savePanel) {
        m_savePanel = std::move(savePanel);
    }
    const std::shared_ptr<ReportSavePanel>& savePanel() const { return m_savePanel; }

    // "square.on.square" where the symbols have it, else "doc.on.doc".
    static QString copySymbolName();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildHeader(QWidget* parent);
    QWidget* buildResults(QWidget* parent);
    QWidget* buildPreviewColumn(QWidget* results);
    QWidget* buildPayloadColumn(QWidget* results);
    QWidget* buildProgress(QWidget* parent);
    void refresh();
    void showReport(const DiagnosticsExportReport& report, const std::string& text);

    std::shared_ptr<DiagnosticsExportViewModel> m_model;
    std::shared_ptr<ReportPasteboard> m_pasteboard;
    std::shared_ptr<ReportSavePanel> m_savePanel;
    DeferredRefresh* m_refresh = nullptr;

    QScrollArea* m_scroll = nullptr;
    QAbstractButton* m_regenerate = nullptr;
    QWidget* m_results = nullptr;
    QBoxLayout* m_previewLayout = nullptr;
    QWidget* m_card = nullptr;
    QPlainTextEdit* m_json = nullptr;
    QWidget* m_progress = nullptr;
    QLabel* m_status = nullptr;
    ProgressBar* m_progressBar = nullptr;
    std::array<QWidget*, 6> m_stageRows{};
    QLabel* m_actionMessage = nullptr;
    std::optional<DiagnosticsExportReport> m_shownReport;
};

} // namespace lumra
