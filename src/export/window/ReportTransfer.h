// The desktop side of copy and save: the application clipboard and a save
// dialog that is shown on its own and never blocks (no nested event loop).
// Main thread.
#pragma once

#include "export/collection/DiagnosticsExportViewModel.h"

#include <QFileDialog>
#include <QPointer>

namespace lumra {

class ClipboardReportPasteboard final : public ReportPasteboard {
public:
    void clearContents() override;
    // Accepted when the clipboard gives the text back.
    bool setString(const std::string& text) override;
};

class FileDialogReportSavePanel final : public ReportSavePanel {
public:
    ~FileDialogReportSavePanel() override;
    void begin(Request request,
               std::function<void(std::optional<std::filesystem::path>)> completion) override;
    // The dialog while it is open (tests answer it).
    QFileDialog* openDialog() const { return m_dialog; }

private:
    QPointer<QFileDialog> m_dialog;
};

} // namespace lumra
