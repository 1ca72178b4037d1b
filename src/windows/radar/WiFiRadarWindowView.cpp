#include "windows/radar/WiFiRadarWindowView.h"

#include "concurrency/Runtime.h"
#include "qt/CapsuleBadge.h"
#include "qt/CardFrame.h"
#include "qt/DeferredRefresh.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"
#include "qt/SectionDivider.h"
#include "qt/SymbolRegistry.h"
#include "windows/radar/RadarCanvasView.h"
#include "windows/radar/RadarMetricCardView.h"
#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace lumra {

namespace {

constexpr int kHintSymbolSize = 13;
constexpr int kTitleSymbolSize = 22;

// One nearby network: name over channel on the left, signal on the right,
// on a faint rounded block.
class NearbyNetworkRowView final : public QWidget {
public:
    explicit NearbyNetworkRowView(QWidget* parent) : QWidget(parent) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 7, 10, 7);
        row->setSpacing(8);
        auto* names = new QVBoxLayout;
        names->setSpacing(2);
        m_ssid = makeTextLabel({}, kitMonospacedFont(12, QFont::Medium),
                               WindowPalette::primaryText(), this);
        m_ssid->setObjectName(QStringLiteral("nearbySSID"));
        m_channel = makeTextLabel({}, kitMonospacedFont(10, QFont::Medium),
                                  withOpacity(WindowPalette::secondaryText(), 0.72 * 0.9), this);
        m_channel->setObjectName(QStringLiteral("nearbyChannel"));
        names->addWidget(m_ssid);
        names->addWidget(m_channel);
        row->addLayout(names, 1);
        m_signal = makeTextLabel({}, kitMonospacedFont(12, QFont::DemiBold),
                                 WindowPalette::secondaryText(), this);
        m_signal->setObjectName(QStringLiteral("nearbySignal"));
        row->addWidget(m_signal, 0, Qt::AlignRight | Qt::AlignVCenter);
    }

    void setRow(const RadarNearbyRow& row) {
        m_ssid->setText(qText(row.ssid));
        m_signal->setText(qText(row.signal));
        m_channel->setText(qText(row.channel));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintCard(painter, QRectF(rect()),
                  CardStyle{.fill = paletteWhite(0.04), .cornerRadius = 8});
    }

private:
    QLabel* m_ssid;
    QLabel* m_channel;
    QLabel* m_signal;
};

} // namespace

WiFiRadarWindowView::WiFiRadarWindowView(const Engine& engine, PlatformServices services,
                                         QWidget* parent)
    : QWidget(parent), m_engine(engine), m_services(std::move(services)) {
    m_radarMonitor = WiFiRadarMonitor::create(
        m_services.makeInterfaceProvider(), std::make_shared<TaskSleeper>(), kPollInterval,
        kHistoryLimit, [] { return runtimeClock().wallNow(); });
    m_nearbyController =
        WiFiRadarNearbyNetworksController::create(m_services.makeNetworkScanner(), kScanInterval);

    setWindowTitle(qText(kRadarTitle));
    buildInformationColumn();
    m_canvas = new RadarCanvasView(this);

    // Nothing is redrawn while the window is closed; showing it redraws.
    m_refresh = new DeferredRefresh(this, [this] {
        if (m_isAppeared)
            refresh();
    });
    m_refresh->observe(*m_radarMonitor);
    m_refresh->observe(*m_nearbyController);
    if (m_engine.wifiMonitor)
        m_refresh->observe(*m_engine.wifiMonitor);
    // Quitting ends the window's work like closing it.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { disappear(); });
    refresh();
}

WiFiRadarWindowView::~WiFiRadarWindowView() {
    disappear();
    // The helper is a child and outlives this body: no refresh of a half-gone view.
    m_refresh->stopObserving();
}

QBoxLayout* WiFiRadarWindowView::buildHeader() {
    // Header.
    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    QLabel* titleSymbol =
        makeTextLabel({}, font(), WindowPalette::primaryText(), m_informationColumn);
    titleSymbol->setPixmap(symbolPixmap(qText(kRadarTitleSymbol),
                                        QSizeF(kTitleSymbolSize, kTitleSymbolSize),
                                        WindowPalette::primaryText(), devicePixelRatioF()));
    titleRow->addWidget(titleSymbol);
    QLabel* title = makeTextLabel(qText(kRadarTitle), kitFont(22), WindowPalette::primaryText(),
                                  m_informationColumn);
    title->setObjectName(QStringLiteral("title"));
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    header->addLayout(titleRow);
    QLabel* subtitle = makeTextLabel(qText(kRadarSubtitle), kitFont(12),
                                     WindowPalette::secondaryText(), m_informationColumn, true);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    header->addWidget(subtitle);
    auto* hintRow = new QHBoxLayout;
    hintRow->setSpacing(6);
    m_hintSymbol = makeTextLabel({}, font(), WindowPalette::primaryText(), m_informationColumn);
    m_hintSymbol->setFixedSize(kHintSymbolSize + 2, kHintSymbolSize + 2);
    m_hintText = makeTextLabel({}, kitMonospacedFont(12, QFont::DemiBold),
                               WindowPalette::primaryText(), m_informationColumn);
    m_hintText->setObjectName(QStringLiteral("directionHint"));
    hintRow->addWidget(m_hintSymbol);
    hintRow->addWidget(m_hintText);
    hintRow->addStretch(1);
    header->addLayout(hintRow);
    return header;
}

QBoxLayout* WiFiRadarWindowView::buildNetworkBlock() {
    // Current network.
    auto* network = new QVBoxLayout;
    network->setSpacing(3);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    m_networkName = makeTextLabel({}, kitMonospacedFont(18, QFont::Medium),
                                  WindowPalette::primaryText(), m_informationColumn);
    m_networkName->setObjectName(QStringLiteral("networkName"));
    nameRow->addWidget(m_networkName);
    CapsuleBadgeStyle tagStyle{kitFont(9, QFont::DemiBold), Qt::black,
                               withOpacity(statusColor(StatusColor::mint), 0.95), 6, 2};
    m_currentTag = new CapsuleBadge(qText(kRadarCurrentTag), tagStyle, m_informationColumn);
    m_currentTag->setObjectName(QStringLiteral("currentTag"));
    nameRow->addWidget(m_currentTag, 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    network->addLayout(nameRow);
    m_channel = makeTextLabel({}, kitMonospacedFont(12, QFont::Medium),
                              WindowPalette::secondaryText(), m_informationColumn);
    m_channel->setObjectName(QStringLiteral("channel"));
    network->addWidget(m_channel);
    return network;
}

QBoxLayout* WiFiRadarWindowView::buildNearbyBlock() {
    // Nearby networks.
    auto* nearby = new QVBoxLayout;
    nearby->setSpacing(6);
    QLabel* nearbyTitle = makeTextLabel(qText(kRadarNearbyTitle), kitFont(12, QFont::DemiBold),
                                        WindowPalette::secondaryText(), m_informationColumn);
    nearbyTitle->setObjectName(QStringLiteral("nearbyTitle"));
    nearby->addWidget(nearbyTitle);
    m_nearbyArea = new QWidget(m_informationColumn);
    m_nearbyArea->setObjectName(QStringLiteral("nearbyArea"));
    m_nearbyArea->setFixedHeight(kNearbyListHeight);
    auto* area = new QVBoxLayout(m_nearbyArea);
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(0);
    m_nearbyPlaceholder =
        makeTextLabel({}, kitFont(12), WindowPalette::secondaryText(), m_nearbyArea);
    m_nearbyPlaceholder->setObjectName(QStringLiteral("nearbyPlaceholder"));
    m_nearbyPlaceholder->setContentsMargins(10, 6, 10, 6);
    m_nearbyPlaceholder->setWordWrap(true);
    area->addWidget(m_nearbyPlaceholder, 0, Qt::AlignTop);
    m_nearbyScroll = new QScrollArea(m_nearbyArea);
    m_nearbyScroll->setObjectName(QStringLiteral("nearbyScroll"));
    m_nearbyScroll->setFrameShape(QFrame::NoFrame);
    m_nearbyScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_nearbyScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_nearbyScroll->setWidgetResizable(true);
    m_nearbyScroll->viewport()->setAutoFillBackground(false);
    auto* rows = new QWidget;
    m_nearbyRowsLayout = new QVBoxLayout(rows);
    m_nearbyRowsLayout->setContentsMargins(0, 0, 0, 0);
    m_nearbyRowsLayout->setSpacing(6);
    m_nearbyRowsLayout->addStretch(1);
    m_nearbyScroll->setWidget(rows);
    // The scroll area paints the widget it holds; the rows sit on the window.
    rows->setAutoFillBackground(false);
    m_nearbyScroll->setAutoFillBackground(false);
    // The list takes the whole area; the sentence sits at its top.
    area->addWidget(m_nearbyScroll, 1);
    nearby->addWidget(m_nearbyArea);
    return nearby;
}

void WiFiRadarWindowView::buildInformationColumn() {
    m_informationColumn = new QWidget(this);
    auto* column = new QVBoxLayout(m_informationColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    column->addLayout(buildHeader());

    column->addWidget(new SectionDivider(WindowPalette::border(), m_informationColumn));

    column->addLayout(buildNetworkBlock());

    column->addWidget(new SectionDivider(WindowPalette::border(), m_informationColumn));

    // Metric cards.
    for (int i = 0; i < 4; ++i) {
        auto* card = new RadarMetricCardView(m_informationColumn);
        m_cards.push_back(card);
        column->addWidget(card);
    }

    column->addLayout(buildNearbyBlock());

    column->addStretch(1);
}

void WiFiRadarWindowView::refresh() {
    static const std::optional<WiFiSnapshot> noSnapshot;
    static const std::vector<WiFiSnapshot> noHistory;
    m_state = makeWiFiRadarWindowState({
        m_radarMonitor->latestSnapshot().get(),
        m_radarMonitor->history().get(),
        m_engine.wifiMonitor ? m_engine.wifiMonitor->latestSnapshot().get() : noSnapshot,
        m_engine.wifiMonitor ? m_engine.wifiMonitor->history().get() : noHistory,
        m_nearbyController->nearbyNetworks().get(),
        m_nearbyController->lastErrorMessage().get(),
    });
    const QColor& tint = statusColor(m_state.tint);

    m_hintSymbol->setPixmap(symbolPixmap(qText(m_state.directionHint.symbolName),
                                         QSizeF(kHintSymbolSize, kHintSymbolSize), tint,
                                         devicePixelRatioF()));
    m_hintText->setText(qText(m_state.directionHint.text));
    setLabelColor(m_hintText, tint);

    m_networkName->setText(qText(m_state.networkTitle));
    m_currentTag->setVisible(m_state.showsCurrentTag);
    m_channel->setText(qText(m_state.channelText));

    for (std::size_t i = 0; i < m_cards.size() && i < m_state.cards.size(); ++i)
        m_cards[i]->setCard(m_state.cards[i], tint);

    showNearbyRows(m_state.nearbyRows);

    m_canvas->setFace({m_state.tint, qText(m_state.centreSymbolName), qText(m_state.scoreText),
                       qText(m_state.verdict)});
}

void WiFiRadarWindowView::showNearbyRows(const std::vector<RadarNearbyRow>& rows) {
    const bool empty = rows.empty();
    m_nearbyPlaceholder->setText(qText(m_state.nearbyPlaceholder));
    m_nearbyPlaceholder->setVisible(empty);
    m_nearbyScroll->setVisible(!empty);
    // Row views are reused in order; the list keeps the scanner's order.
    while (m_nearbyRowViews.size() < rows.size()) {
        auto* view = new NearbyNetworkRowView(m_nearbyScroll->widget());
        m_nearbyRowsLayout->insertWidget(static_cast<int>(m_nearbyRowViews.size()), view);
        m_nearbyRowViews.push_back(view);
    }
    while (m_nearbyRowViews.size() > rows.size()) {
        delete m_nearbyRowViews.back();
        m_nearbyRowViews.pop_back();
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* view = static_cast<NearbyNetworkRowView*>(m_nearbyRowViews[i]);
        view->setRow(rows[i]);
        view->setObjectName(qText(rows[i].id));
    }
}

void WiFiRadarWindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A spontaneous show is the window system's (restoring a minimised
    // window): the work never stopped.
    if (!event->spontaneous())
        appear();
}

void WiFiRadarWindowView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        disappear();
}

void WiFiRadarWindowView::appear() {
    if (m_isAppeared)
        return;
    m_isAppeared = true;
    m_sweepStartSeconds = runtimeClock().uptimeSeconds();
    m_canvas->setSweepAngle(radarSweepAngleDegrees(0));
    m_canvas->setAnimated(true);
    refresh();
    m_radarMonitor->start();
    m_nearbyController->start();
    m_sweepTimer = new QTimer(this);
    m_sweepTimer->setTimerType(Qt::PreciseTimer);
    m_sweepTimer->setInterval(kSweepFrameMilliseconds);
    connect(m_sweepTimer, &QTimer::timeout, this, [this] { advanceSweep(); });
    m_sweepTimer->start();
}

void WiFiRadarWindowView::disappear() {
    if (!m_isAppeared)
        return;
    m_isAppeared = false;
    delete m_sweepTimer;
    m_sweepTimer = nullptr;
    m_canvas->setAnimated(false);
    if (m_radarMonitor->pollingTask()) {
        m_radarMonitor->pollingTask()->cancel();
        m_radarMonitor->setPollingTask(std::nullopt);
    }
    m_nearbyController->stop();
}

void WiFiRadarWindowView::advanceSweep() {
    m_canvas->setSweepAngle(
        radarSweepAngleDegrees(runtimeClock().uptimeSeconds() - m_sweepStartSeconds));
}

void WiFiRadarWindowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutColumns();
}

void WiFiRadarWindowView::layoutColumns() {
    const RadarWindowLayout layout = radarWindowLayout(width(), height());
    const auto toRect = [](const RadarRect& r) {
        return QRectF(r.x, r.y, r.width, r.height).toRect();
    };
    m_informationColumn->setGeometry(toRect(layout.informationColumn));
    m_canvas->setGeometry(toRect(layout.radarPanel));
}

void WiFiRadarWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient background(QPointF(0, 0), QPointF(width(), height()));
    background.setColorAt(0, WindowPalette::radarBackgroundTop());
    background.setColorAt(1, Qt::black);
    painter.fillRect(rect(), background);
}

} // namespace lumra
