#include "panel/widgets/OverlayCards.h"

#include "panel/viewmodel/PanelTexts.h"
#include "panel/widgets/WrappedTextLabel.h"
#include "qt/KitFonts.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/QtText.h"
#include "qt/SymbolRegistry.h"
#include "viewkit/MetricFormat.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QResizeEvent>

namespace lumra {

namespace PP = PanelPalette;

// --- toolbox

KitButton* makeToolboxToolRow(const ToolboxRowModel& model, std::function<void()> action,
                              QWidget* parent) {
    auto* row = new KitButton(KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                                             .cornerRadius = 9,
                                             .fill = PP::rowFill(),
                                             .pressedFill = PP::cardFill(),
                                             .padding = QMargins(10, 8, 10, 8),
                                             .spacing = 10},
                              QString(), parent);
    row->setAccessibleName(qText(model.title));
    row->setAccessibleDescription(qText(model.subtitle));
    row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QBoxLayout* layout = row->contentLayout();
    auto* symbol = makeSymbolLabel(qText(model.symbolName), 13, PP::secondaryText(), row);
    auto* symbolFrame = new QWidget(row);
    symbolFrame->setFixedWidth(18);
    auto* symbolLayout = new QHBoxLayout(symbolFrame);
    symbolLayout->setContentsMargins(0, 0, 0, 0);
    symbolLayout->addWidget(symbol, 0, Qt::AlignCenter);
    layout->addWidget(symbolFrame);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = makeTextLabel(qText(model.title), PP::systemFont(13, QFont::DemiBold),
                                PP::primaryText(), row);
    title->setObjectName(QStringLiteral("toolTitle"));
    texts->addWidget(title);
    texts->addWidget(
        makeTextLabel(qText(model.subtitle), PP::captionFont(), PP::secondaryText(), row, true));
    layout->addLayout(texts, 1);
    layout->addSpacing(8);
    layout->addWidget(
        makeSymbolLabel(QStringLiteral("chevron.right"), 11, PP::tertiaryText(), row));
    row->onClick(std::move(action));
    return row;
}

ToolboxOverlayCard::ToolboxOverlayCard(Callbacks callbacks, QWidget* parent)
    : QWidget(parent), m_callbacks(std::move(callbacks)) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(12);
    page->addLayout(
        makePageHeader(this, QStringLiteral("Toolbox"), QStringLiteral("Advanced diagnostics"),
                       QStringLiteral("Back to Main"), [this] { m_callbacks.onClose(); }));
    auto* list = new QVBoxLayout;
    list->setSpacing(9);
    list->addWidget(
        makeTextLabel(QStringLiteral("Tools"), PP::sectionFont(), PP::tertiaryText(), this));
    auto* tools = new QVBoxLayout;
    tools->setSpacing(10);
    for (const auto& row : toolboxRows()) {
        std::function<void()> action;
        switch (row.tool) {
        case ToolboxTool::wifiRadar:
            action = [this] {
                m_callbacks.onOpenWiFiRadar();
            };
            break;
        case ToolboxTool::channelScan:
            action = [this] {
                m_callbacks.onOpenChannelScan();
            };
            break;
        case ToolboxTool::speedTest:
            action = [this] {
                m_callbacks.onOpenSpeedTest();
            };
            break;
        case ToolboxTool::connectionMonitor:
            action = [this] {
                m_callbacks.onOpenConnectionMonitor();
            };
            break;
        case ToolboxTool::captivePortal:
            action = [this] {
                m_callbacks.onOpenCaptivePortal();
            };
            break;
        case ToolboxTool::diagnosticsExport:
            action = [this] {
                m_callbacks.onOpenDiagnosticsExport();
            };
            break;
        }
        auto* widget = makeToolboxToolRow(row, std::move(action), this);
        tools->addWidget(widget);
        m_rows.push_back(widget);
    }
    list->addLayout(tools);
    page->addLayout(list);
    page->addStretch(1);
}

// --- connection monitor

ConnectionMonitorOverlayCard::ConnectionMonitorOverlayCard(const ConnectionMonitorCardModel& model,
                                                           std::function<void()> onClose,
                                                           QWidget* parent)
    : QWidget(parent) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(14);
    page->addLayout(makePageHeader(this, QStringLiteral("Connection Monitor"), QString(),
                                   QStringLiteral("Back to Toolbox"), std::move(onClose)));
    page->addWidget(makeTextLabel(QStringLiteral("TCP state pressure from netstat"),
                                  PP::captionFont(), PP::secondaryText(), this));
    m_badge = makeBadge(model.badge.value_or(BadgeModel{}), this);
    page->addWidget(m_badge, 0, Qt::AlignLeft);
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 4, 0, 0);
    rows->setSpacing(8);
    for (std::size_t i = 0; i < model.rows.size(); ++i) {
        if (i == 3) {
            rows->addWidget(new SectionDivider(this));
        }
        auto* row = new MetricTrendRow(model.rows[i], this);
        rows->addWidget(row);
        m_rows.push_back(row);
    }
    page->addLayout(rows);
    m_status = makeWrappedTextLabel(QString(), PP::captionFont(), PP::secondaryText(), this);
    page->addWidget(m_status);
    page->addStretch(1);
    apply(model);
}

void ConnectionMonitorOverlayCard::apply(const ConnectionMonitorCardModel& model) {
    m_badge->setVisible(model.badge.has_value());
    if (model.badge) {
        applyBadge(m_badge, *model.badge);
    }
    for (std::size_t i = 0; i < m_rows.size() && i < model.rows.size(); ++i) {
        m_rows[i]->apply(model.rows[i]);
    }
    setTextIfChanged(m_status, breakableAnywhere(qText(model.statusText)));
    m_status->setAccessibleName(qText(model.statusText));
}

// --- captive portal

QString formatCheckTime(std::chrono::system_clock::time_point time, const QLocale& locale) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const QTime local = QDateTime::fromMSecsSinceEpoch(ms).time();
    // The long style carries seconds; its zone name is not wanted here.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(local, format.trimmed());
}

CaptivePortalOverlayCard::CaptivePortalOverlayCard(const CaptivePortalCardModel& model,
                                                   std::function<void()> onClose, QWidget* parent)
    : QWidget(parent) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(14);
    page->addLayout(makePageHeader(this, QStringLiteral("Captive Portal"), QString(),
                                   QStringLiteral("Back to Toolbox"), std::move(onClose)));
    page->addWidget(makeTextLabel(
        QStringLiteral("Checks known probe URLs for redirects and login-page injection."),
        PP::captionFont(), PP::secondaryText(), this, true));
    m_badge = makeBadge(model.badge, this);
    page->addWidget(m_badge, 0, Qt::AlignLeft);
    auto* rows = new QVBoxLayout;
    rows->setSpacing(8);
    m_state = new MetricRow(QStringLiteral("State"), QString(), this);
    m_reason = new MetricRow(QStringLiteral("Reason"), QString(), this);
    rows->addWidget(m_state);
    rows->addWidget(m_reason);
    auto* portal = new QVBoxLayout;
    portal->setSpacing(4);
    portal->addWidget(
        makeTextLabel(QStringLiteral("Portal URL"), PP::rowTitleFont(), PP::secondaryText(), this));
    m_portal = makeTextLabel(QString(), PP::captionFont(), PP::primaryText(), this);
    m_portal->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_portal->setAccessibleName(QStringLiteral("Portal URL"));
    portal->addWidget(m_portal);
    rows->addLayout(portal);
    m_lastCheck = new MetricRow(QStringLiteral("Last Check"), QString(), this);
    rows->addWidget(m_lastCheck);
    page->addLayout(rows);
    m_status = makeWrappedTextLabel(QString(), PP::captionFont(), PP::secondaryText(), this);
    page->addWidget(m_status);
    page->addStretch(1);
    apply(model);
}

void CaptivePortalOverlayCard::apply(const CaptivePortalCardModel& model) {
    applyBadge(m_badge, model.badge);
    m_state->setValue(qText(model.state));
    m_reason->setValue(qText(model.reason));
    const QString portal = qText(model.portalURL);
    if (portal != m_portalText) {
        m_portalText = portal;
        elidePortal();
    }
    m_portal->setAccessibleDescription(m_portalText);
    m_lastCheck->setValue(model.lastCheck ? formatCheckTime(*model.lastCheck) : qText("\u2014"));
    setTextIfChanged(m_status, breakableAnywhere(qText(model.statusText)));
    m_status->setAccessibleName(qText(model.statusText));
}

void CaptivePortalOverlayCard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    elidePortal();
}

void CaptivePortalOverlayCard::elidePortal() {
    const int width = m_portal->width() > 0 ? m_portal->width() : 300;
    m_portal->setText(
        QFontMetrics(m_portal->font()).elidedText(m_portalText, Qt::ElideMiddle, width));
    m_portal->setToolTip(m_portalText);
}

} // namespace lumra
