#include "export/window/DiagnosticsExportWindowView.h"

#include "export/window/DiagnosticsSharePreviewCard.h"
#include "export/window/ReportTransfer.h"
#include "qt/CardFrame.h"
#include "qt/DeferredRefresh.h"
#include "qt/KitButton.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/ProgressBar.h"
#include "qt/QtText.h"
#include "qt/ScrollingContent.h"
#include "qt/SymbolRegistry.h"
#include "qt/ToolWindowParts.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace lumra {

namespace {

namespace Palette = WindowPalette;

// A tile button of the window: an optional symbol and an optional text.
KitButton* tileButton(const QString& symbol, const QString& text, const QFont& font,
                      double symbolSize, double radius, QMargins padding, QWidget* parent) {
    KitButtonStyle style = windowActionButtonStyle();
    style.cornerRadius = radius;
    style.border = Palette::exportPanelBorder();
    style.font = font;
    style.symbolName = symbol;
    style.symbolSize = QSizeF(symbolSize, symbolSize);
    style.padding = padding;
    return new KitButton(style, text, parent);
}

// A rounded panel: fill and 1-wide outline around what the caller lays out.
CardFrame* roundedPanel(QMargins padding, QWidget* parent) {
    return new CardFrame(CardStyle{.fill = Palette::exportPanelFill(),
                                   .border = Palette::exportPanelBorder(),
                                   .cornerRadius = 14,
                                   .spacing = 12,
                                   .margins = padding},
                         parent);
}

// The checklist's mark: a green check, or an empty circle outline.
class StageMark final : public QWidget {
public:
    explicit StageMark(QWidget* parent) : QWidget(parent) { setFixedSize(11, 11); }
    void setCompleted(bool completed) {
        if (completed == m_completed)
            return;
        m_completed = completed;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (m_completed) {
            painter.drawImage(QRectF(0, 0, 11, 11),
                              symbolImage(QStringLiteral("checkmark.circle.fill"), QSizeF(11, 11),
                                          Palette::successText(), devicePixelRatioF()));
            return;
        }
        painter.setPen(QPen(paletteWhite(0.3), 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(0.6, 0.6, 9.8, 9.8));
    }

private:
    bool m_completed = false;
};

} // namespace

QString DiagnosticsExportWindowView::copySymbolName() {
    return hasSymbol(QStringLiteral("square.on.square")) ? QStringLiteral("square.on.square")
                                                         : QStringLiteral("doc.on.doc");
}

DiagnosticsExportWindowView::DiagnosticsExportWindowView(const Engine& engine, QWidget* parent)
    : QWidget(parent), m_model(DiagnosticsExportViewModel::create(engine)),
      m_pasteboard(std::make_shared<ClipboardReportPasteboard>()),
      m_savePanel(std::make_shared<FileDialogReportSavePanel>()) {
    setObjectName(QStringLiteral("diagnosticsExportView"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("contentScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    m_scroll->horizontalScrollBar()->setStyleSheet(thinScrollBarStyle(paletteWhite(0.25)));
    m_scroll->verticalScrollBar()->setStyleSheet(thinScrollBarStyle(paletteWhite(0.25)));
    m_scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(m_scroll);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("content"));
    content->setAutoFillBackground(false);
    content->setMinimumSize(minimumContentWidth, minimumContentHeight);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addWidget(buildHeader(content));
    m_results = buildResults(content);
    column->addWidget(m_results, 1);
    m_progress = buildProgress(content);
    column->addWidget(m_progress, 1);
    m_actionMessage =
        makeTextLabel({}, kitFont(12, QFont::Medium), Palette::secondaryText(), content, true);
    m_actionMessage->setObjectName(QStringLiteral("actionMessage"));
    column->addWidget(m_actionMessage);
    m_scroll->setWidget(content);
    // setWidget turns the fill on; the gradient behind must show through.
    content->setAutoFillBackground(false);

    m_refresh = new DeferredRefresh(this, [this] { refresh(); });
    m_refresh->observe(*m_model);
    refresh();
}

DiagnosticsExportWindowView::~DiagnosticsExportWindowView() = default;

QWidget* DiagnosticsExportWindowView::buildHeader(QWidget* parent) {
    auto* header = new QWidget(parent);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    auto* title = makeTextLabel(QStringLiteral("Diagnostics Export"), kitFont(22, QFont::Normal),
                                Palette::primaryText(), header);
    title->setObjectName(QStringLiteral("title"));
    titles->addWidget(title);
    auto* subtitle =
        makeTextLabel(QStringLiteral("Create a complete diagnostics snapshot for export."),
                      kitFont(12, QFont::Normal), Palette::secondaryText(), header);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    titles->addWidget(subtitle);
    row->addLayout(titles);
    row->addStretch(1);
    m_regenerate = tileButton(QStringLiteral("arrow.clockwise"), QStringLiteral("Regenerate"),
                              kitFont(11, QFont::DemiBold), 11, 8, QMargins(10, 5, 10, 5), header);
    m_regenerate->setObjectName(QStringLiteral("regenerateButton"));
    m_regenerate->setToolTip(QStringLiteral("Collect metrics again and generate a new report"));
    m_regenerate->setAccessibleName(QStringLiteral("Regenerate"));
    connect(m_regenerate, &QAbstractButton::clicked, this, [this] { m_model->regenerate(); });
    row->addWidget(m_regenerate, 0, Qt::AlignTop);
    return header;
}

QWidget* DiagnosticsExportWindowView::buildPreviewColumn(QWidget* results) {
    auto* left = new QWidget(results);
    left->setObjectName(QStringLiteral("previewColumn"));
    left->setFixedWidth(350);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->setSpacing(8);
    auto* previewCaption =
        makeTextLabel(QStringLiteral("Share Preview"), kitFont(12, QFont::DemiBold),
                      Palette::secondaryText(), left);
    previewCaption->setMinimumHeight(24);
    leftColumn->addWidget(previewCaption);
    auto* preview = roundedPanel(QMargins(14, 14, 14, 14), left);
    preview->setObjectName(QStringLiteral("previewPanel"));
    m_previewLayout = preview->contentLayout();
    auto* included = new QWidget(preview);
    included->setObjectName(QStringLiteral("includedList"));
    auto* includedColumn = new QVBoxLayout(included);
    includedColumn->setContentsMargins(0, 0, 0, 0);
    includedColumn->setSpacing(6);
    includedColumn->addWidget(makeTextLabel(QStringLiteral("Included"),
                                            kitFont(11, QFont::DemiBold), Palette::secondaryText(),
                                            included));
    for (const char* text :
         {"Health state and timestamps", "Wi-Fi, ping, DNS, and channel scan",
          "Connection pressure and captive portal", "Latest speed test (when available)"})
        includedColumn->addWidget(new DiagnosticsIncludedRow(qText(text), included));
    m_previewLayout->addWidget(included);
    leftColumn->addWidget(preview);
    leftColumn->addStretch(1);
    return left;
}

QWidget* DiagnosticsExportWindowView::buildPayloadColumn(QWidget* results) {
    auto* right = new QWidget(results);
    right->setObjectName(QStringLiteral("payloadColumn"));
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    rightColumn->setSpacing(8);
    auto* captionRow = new QHBoxLayout;
    captionRow->setSpacing(10);
    auto* payloadCaption =
        makeTextLabel(QStringLiteral("Export Payload (JSON)"), kitFont(12, QFont::DemiBold),
                      Palette::secondaryText(), right);
    payloadCaption->setMinimumHeight(24);
    captionRow->addWidget(payloadCaption);
    captionRow->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const auto iconButton = [right](const QString& symbol, const QString& text, const char* name) {
        auto* button =
            tileButton(symbol, {}, kitFont(13, QFont::DemiBold), 13, 7, QMargins(), right);
        button->setObjectName(qText(name));
        button->setFixedSize(28, 24);
        button->setToolTip(text);
        button->setAccessibleName(text);
        return button;
    };
    auto* copy = iconButton(copySymbolName(), QStringLiteral("Copy report"), "copyButton");
    connect(copy, &QAbstractButton::clicked, this, [this] { m_model->copyReport(*m_pasteboard); });
    auto* share = iconButton(QStringLiteral("square.and.arrow.up"), QStringLiteral("Share report"),
                             "shareButton");
    connect(share, &QAbstractButton::clicked, this, [this] { m_model->shareReport(*m_savePanel); });
    buttons->addWidget(copy);
    buttons->addWidget(share);
    captionRow->addLayout(buttons);
    rightColumn->addLayout(captionRow);

    auto* jsonPanel = roundedPanel(QMargins(12, 12, 4, 12), right);
    jsonPanel->setObjectName(QStringLiteral("jsonPanel"));
    auto* jsonLayout = jsonPanel->contentLayout();
    m_json = new QPlainTextEdit(jsonPanel);
    m_json->setObjectName(QStringLiteral("jsonText"));
    m_json->setReadOnly(true);
    m_json->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_json->setFrameShape(QFrame::NoFrame);
    m_json->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_json->verticalScrollBar()->setStyleSheet(thinScrollBarStyle(paletteWhite(0.25)));
    m_json->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_json->setFont(kitMonospacedFont(12, QFont::Normal));
    m_json->viewport()->setAutoFillBackground(false);
    QPalette palette = m_json->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Palette::primaryText());
    palette.setColor(QPalette::Highlight, withOpacity(statusColor(StatusColor::accent), 0.45));
    palette.setColor(QPalette::HighlightedText, Palette::primaryText());
    m_json->setPalette(palette);
    m_json->setAccessibleName(QStringLiteral("Export Payload (JSON)"));
    jsonLayout->addWidget(m_json);
    rightColumn->addWidget(jsonPanel, 1);
    return right;
}

QWidget* DiagnosticsExportWindowView::buildResults(QWidget* parent) {
    auto* results = new QWidget(parent);
    results->setObjectName(QStringLiteral("resultsRow"));
    auto* row = new QHBoxLayout(results);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);

    row->addWidget(buildPreviewColumn(results), 0, Qt::AlignTop);

    row->addWidget(buildPayloadColumn(results), 1);
    return results;
}

QWidget* DiagnosticsExportWindowView::buildProgress(QWidget* parent) {
    auto* progress = new QWidget(parent);
    progress->setObjectName(QStringLiteral("progressView"));
    auto* outer = new QVBoxLayout(progress);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(14);
    outer->addStretch(1);
    auto* stack = new QVBoxLayout;
    stack->setSpacing(12);
    m_status = makeTextLabel({}, kitFont(14, QFont::DemiBold), Palette::primaryText(), progress);
    m_status->setObjectName(QStringLiteral("statusLine"));
    stack->addWidget(m_status, 0, Qt::AlignHCenter);
    m_progressBar = new ProgressBar(Palette::successText(), progress);
    m_progressBar->setMaximumWidth(380);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setMinimumWidth(380);
    stack->addWidget(m_progressBar, 0, Qt::AlignHCenter);

    auto* checklist = new QWidget(progress);
    checklist->setObjectName(QStringLiteral("checklist"));
    checklist->setFixedWidth(420);
    auto* rows = new QVBoxLayout(checklist);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(6);
    for (std::size_t i = 0; i < allCollectionStages.size(); ++i) {
        auto* stageRow = new QWidget(checklist);
        stageRow->setObjectName(QStringLiteral("stage%1").arg(i));
        auto* line = new QHBoxLayout(stageRow);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(7);
        auto* mark = new StageMark(stageRow);
        mark->setObjectName(QStringLiteral("mark"));
        line->addWidget(mark, 0, Qt::AlignVCenter);
        auto* stageTitle =
            makeTextLabel(qText(title(allCollectionStages[i])), kitFont(12, QFont::Medium),
                          Palette::secondaryText(), stageRow);
        stageTitle->setObjectName(QStringLiteral("stageTitle"));
        line->addWidget(stageTitle, 1);
        rows->addWidget(stageRow);
        m_stageRows[i] = stageRow;
    }
    stack->addWidget(checklist, 0, Qt::AlignHCenter);
    outer->addLayout(stack);
    outer->addStretch(1);
    return progress;
}

void DiagnosticsExportWindowView::refresh() {
    const auto& report = m_model->collectedReport().get();
    const auto& text = m_model->collectedReportJSONString().get();
    const bool ready = report.has_value() && text.has_value();
    m_results->setVisible(ready);
    m_progress->setVisible(!ready);
    m_regenerate->setVisible(ready && !m_model->isCollectingReport().get());
    if (ready) {
        showReport(*report, *text);
    } else {
        m_shownReport.reset();
        if (m_card != nullptr) {
            m_card->deleteLater();
            m_card = nullptr;
        }
        m_json->clear();
    }

    m_status->setText(qText(m_model->collectionMessage().get()));
    m_progressBar->setProgress(m_model->collectionProgress().get());
    const auto& completed = m_model->completedStages().get();
    for (std::size_t i = 0; i < m_stageRows.size(); ++i) {
        const bool done = completed.count(allCollectionStages[i]) > 0;
        m_stageRows[i]->findChild<StageMark*>(QStringLiteral("mark"))->setCompleted(done);
        setLabelColor(m_stageRows[i]->findChild<QLabel*>(QStringLiteral("stageTitle")),
                      done ? Palette::primaryText() : Palette::secondaryText());
    }

    const auto& message = m_model->actionMessage().get();
    m_actionMessage->setVisible(message.has_value());
    m_actionMessage->setText(message ? qText(*message) : QString());
    // Secondary is the window's own secondary text; green and red at 0.9.
    const StatusColor tone = m_model->actionMessageTone().get();
    setLabelColor(m_actionMessage, tone == StatusColor::secondary
                                       ? Palette::secondaryText()
                                       : withOpacity(statusColor(tone), 0.9));
}

void DiagnosticsExportWindowView::showReport(const DiagnosticsExportReport& report,
                                             const std::string& text) {
    if (m_shownReport == report && m_card != nullptr)
        return;
    m_shownReport = report;
    if (m_card != nullptr)
        m_card->deleteLater();
    m_card = new DiagnosticsSharePreviewCard(report, m_previewLayout->parentWidget());
    m_card->setObjectName(QStringLiteral("sharePreviewCard"));
    m_previewLayout->insertWidget(0, m_card);
    const QString shown = qText(text);
    if (m_json->toPlainText() != shown)
        m_json->setPlainText(shown);
}

void DiagnosticsExportWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_model->viewDidAppear();
}

void DiagnosticsExportWindowView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_model->viewDidDisappear();
}

void DiagnosticsExportWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, Palette::exportBackgroundStart());
    gradient.setColorAt(1, Palette::exportBackgroundEnd());
    painter.fillRect(rect(), gradient);
}

} // namespace lumra
