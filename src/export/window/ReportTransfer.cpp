#include "export/window/ReportTransfer.h"

#include "qt/QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>

namespace lumra {

void ClipboardReportPasteboard::clearContents() {
    QApplication::clipboard()->clear(QClipboard::Clipboard);
}

bool ClipboardReportPasteboard::setString(const std::string& text) {
    const QString value = qText(text);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(value, QClipboard::Clipboard);
    return clipboard->text(QClipboard::Clipboard) == value;
}

FileDialogReportSavePanel::~FileDialogReportSavePanel() {
    if (m_dialog)
        m_dialog->deleteLater();
}

void FileDialogReportSavePanel::begin(
    Request request, std::function<void(std::optional<std::filesystem::path>)> completion) {
    // One dialog at a time: a second request brings the open one forward.
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    // A window of its own, not a sheet of the export window.
    auto* dialog = new QFileDialog(nullptr, qText(request.title));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("JSON (*.json)"));
    dialog->setDefaultSuffix(QStringLiteral("json"));
    dialog->setOption(QFileDialog::HideNameFilterDetails, false);
    dialog->selectFile(qText(request.proposedFileName));
    auto done = std::make_shared<std::function<void(std::optional<std::filesystem::path>)>>(
        std::move(completion));
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty() || files.front().isEmpty()) {
            (*done)(std::nullopt);
            return;
        }
        // A name in the file system's encoding, not text for the core.
        (*done)(std::filesystem::path(QFile::encodeName(files.front()).toStdString()));
    });
    m_dialog = dialog;
    dialog->show();
}

} // namespace lumra
