#include "windows/speedtest/SpeedTestWindowView.h"

#include "qt/CapsuleBadge.h"
#include "qt/CardFrame.h"
#include "qt/DeferredRefresh.h"
#include "qt/FittingLabel.h"
#include "qt/KitFonts.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/ProgressBar.h"
#include "qt/QtText.h"
#include "qt/SymbolLabel.h"
#include "qt/ToolWindowParts.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace lumra {

namespace {

namespace Colors = WindowPalette;

// A tile or box: a rounded rectangle of radius 10 filled white at 0.06.
CardFrame* tile(int horizontalPadding, int verticalPadding, int spacing, QWidget* parent) {
    auto* frame = new CardFrame(CardStyle{.fill = paletteWhite(0.06),
                                          .border = Qt::transparent,
                                          .cornerRadius = 10.0,
                                          .padding = verticalPadding,
                                          .spacing = spacing},
                                parent);
    frame->contentLayout()->setContentsMargins(horizontalPadding, verticalPadding,
                                               horizontalPadding, verticalPadding);
    return frame;
}

// A section card: the tracked caption above the content.
CardFrame* sectionCard(const QString& caption, QWidget* parent) {
    auto* card = new CardFrame(CardStyle{.fill = Colors::sectionFill(),
                                         .border = Colors::border(),
                                         .cornerRadius = 12.0,
                                         .padding = 12,
                                         .spacing = 10},
                               parent);
    card->setObjectName(caption.toLower() + QStringLiteral("Card"));
    QFont font = kitFont(11, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    card->contentLayout()->addWidget(makeTextLabel(caption, font, Colors::tertiaryText()));
    return card;
}

std::string shortLocalTime(std::chrono::system_clock::time_point time, const QLocale& locale) {
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const QTime local = QDateTime::fromMSecsSinceEpoch(milliseconds).time();
    return stdText(locale.toString(local, QLocale::ShortFormat));
}

} // namespace

SpeedTestWindowView::SpeedTestWindowView(const Engine& engine, double headerContentSpacing,
                                         QWidget* parent)
    : QWidget(parent), m_engine(engine), m_headerContentSpacing(headerContentSpacing) {
    setMinimumSize(860, 580);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_scroll = makeToolWindowScrollArea(this);
    outer->addWidget(m_scroll, 1);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    column->addWidget(buildHeader());
    auto* gap = new QWidget(content);
    gap->setFixedHeight(static_cast<int>(std::lround(std::max(m_headerContentSpacing, 0.0))));
    column->addWidget(gap);
    column->addWidget(buildEmptyBlock(), 1);
    column->addWidget(buildResultsBlock(currentModel()), 1);
    m_scroll->setWidget(content);
    // The scroll area fills its widget by default; the gradient must show through.
    content->setAutoFillBackground(false);

    // The footer sits outside the scroll view, at the bottom right.
    m_footer = new QWidget(this);
    auto* footer = new QHBoxLayout(m_footer);
    footer->setContentsMargins(20, 4, 20, 14);
    footer->addStretch(1);
    m_lastTested = makeTextLabel(QString(), kitFont(11, QFont::Medium), Colors::secondaryText());
    m_lastTested->setObjectName(QStringLiteral("lastTested"));
    footer->addWidget(m_lastTested);
    outer->addWidget(m_footer);

    m_refresh = new DeferredRefresh(this, [this] { refresh(); });
    m_refresh->observe(*m_engine.speedTestMonitor);
    refresh();
}

QWidget* SpeedTestWindowView::buildHeader() {
    const ToolWindowHeader header = makeToolWindowHeader(
        QStringLiteral("speedometer"), qText(speedTestTitle), qText(speedTestSubtitle));
    QHBoxLayout* titleLine = header.titleLine;
    titleLine->addWidget(makeTextLabel(QStringLiteral("|"), kitFont(15), Colors::tertiaryText()));
    titleLine->addWidget(makeTextLabel(qText(speedTestProvider), kitFont(15, QFont::Medium),
                                       Colors::secondaryText()));
    m_badge = new CapsuleBadge(QString(),
                               CapsuleBadgeStyle{.font = kitFont(11, QFont::DemiBold),
                                                 .textColor = Colors::primaryText(),
                                                 .fill = Qt::transparent,
                                                 .horizontalPadding = 8,
                                                 .verticalPadding = 3},
                               header.widget);
    m_badge->setObjectName(QStringLiteral("phaseBadge"));
    titleLine->addWidget(m_badge);
    titleLine->addStretch(1);
    m_headerButton = header.button;
    connect(m_headerButton, &QAbstractButton::clicked, this, [this] { runButtonAction(); });
    return header.widget;
}

QWidget* SpeedTestWindowView::buildEmptyBlock() {
    m_emptyBlock = new QWidget;
    m_emptyBlock->setObjectName(QStringLiteral("emptyBlock"));
    auto* column = new QVBoxLayout(m_emptyBlock);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addStretch(1);
    column->addLayout(
        makeEmptyStateTexts(qText(speedTestEmptyTitle), qText(speedTestEmptyDescription)));
    m_emptyButton = new KitButton(windowActionButtonStyle(), QString(), m_emptyBlock);
    m_emptyButton->setObjectName(QStringLiteral("emptyButton"));
    connect(m_emptyButton, &QAbstractButton::clicked, this, [this] { runButtonAction(); });
    column->addWidget(m_emptyButton, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return m_emptyBlock;
}

QWidget* SpeedTestWindowView::buildResultsBlock(const SpeedTestWindowModel& model) {
    m_resultsBlock = new QWidget;
    m_resultsBlock->setObjectName(QStringLiteral("resultsBlock"));
    auto* column = new QVBoxLayout(m_resultsBlock);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addWidget(buildStatusBlock(m_resultsBlock));
    column->addWidget(buildThroughputCard(model, m_resultsBlock));
    column->addWidget(buildLatencyCard(model, m_resultsBlock));
    column->addWidget(buildBufferbloatCard(model, m_resultsBlock));
    column->addStretch(1);
    return m_resultsBlock;
}

QWidget* SpeedTestWindowView::buildStatusBlock(QWidget* parent) {
    m_statusBlock = new QWidget(parent);
    m_statusBlock->setObjectName(QStringLiteral("statusBlock"));
    auto* status = new QVBoxLayout(m_statusBlock);
    status->setContentsMargins(0, 2, 0, 0);
    status->setSpacing(8);
    auto* statusLine = new QHBoxLayout;
    statusLine->setSpacing(8);
    statusLine->addStretch(1);
    m_statusText = makeTextLabel(QString(), kitFont(12, QFont::Medium), Colors::secondaryText());
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_percentText = makeTextLabel(QString(), kitFont(12, QFont::DemiBold), Colors::primaryText());
    m_percentText->setObjectName(QStringLiteral("percentText"));
    statusLine->addWidget(m_statusText);
    statusLine->addWidget(m_percentText);
    statusLine->addStretch(1);
    status->addLayout(statusLine);
    m_progress = new ProgressBar(statusColor(StatusColor::accent), m_statusBlock);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setFixedWidth(460);
    status->addWidget(m_progress, 0, Qt::AlignHCenter);
    return m_statusBlock;
}

QWidget* SpeedTestWindowView::buildThroughputCard(const SpeedTestWindowModel& model,
                                                  QWidget* parent) {
    auto* throughput = sectionCard(qText(throughputCaption), parent);
    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(10);
    const SpeedTestMetricTileModel* metricTiles[] = {&model.downloadTile, &model.uploadTile};
    for (std::size_t i = 0; i < 2; ++i) {
        const SpeedTestMetricTileModel& metric = *metricTiles[i];
        auto* frame = tile(12, 9, 5, throughput);
        frame->setObjectName(qText(metric.title).toLower() + QStringLiteral("Tile"));
        auto* value = new FittingLabel(kitFont(36, QFont::Bold), Colors::primaryText(), 0.75);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setObjectName(QStringLiteral("value"));
        frame->contentLayout()->addWidget(value);
        auto* caption = new QHBoxLayout;
        caption->setSpacing(6);
        caption->addWidget(makeSymbolImage(qText(metric.symbolName), 11, Colors::secondaryText()));
        caption->addWidget(makeTextLabel(qText(metric.title), kitFont(12, QFont::Medium),
                                         Colors::secondaryText()));
        caption->addStretch(1);
        frame->contentLayout()->addLayout(caption);
        tiles->addWidget(frame, 1);
        m_metricTiles[i] = MetricTile{value};
    }
    throughput->contentLayout()->addLayout(tiles);
    return throughput;
}

QWidget* SpeedTestWindowView::buildLatencyCard(const SpeedTestWindowModel& model, QWidget* parent) {
    auto* latency = sectionCard(qText(latencyCaption), parent);
    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(10);
    for (std::size_t i = 0; i < 3; ++i) {
        auto* frame = tile(10, 8, 2, latency);
        frame->contentLayout()->addWidget(makeTextLabel(qText(model.latencyBoxes[i].title),
                                                        kitFont(11, QFont::DemiBold),
                                                        Colors::secondaryText()));
        m_latencyValues[i] =
            makeTextLabel(QString(), kitFont(20, QFont::Bold), Colors::primaryText());
        m_latencyValues[i]->setObjectName(QStringLiteral("latency%1").arg(i));
        frame->contentLayout()->addWidget(m_latencyValues[i]);
        boxes->addWidget(frame, 1);
    }
    latency->contentLayout()->addLayout(boxes);
    return latency;
}

QWidget* SpeedTestWindowView::buildBufferbloatCard(const SpeedTestWindowModel& model,
                                                   QWidget* parent) {
    auto* bufferbloat = sectionCard(qText(bufferbloatCaption), parent);
    auto* grades = new QHBoxLayout;
    grades->setSpacing(10);
    for (std::size_t i = 0; i < 2; ++i) {
        auto* frame = tile(10, 8, 4, bufferbloat);
        frame->contentLayout()->addWidget(makeTextLabel(qText(model.gradeTiles[i].title),
                                                        kitFont(11, QFont::DemiBold),
                                                        Colors::secondaryText()));
        auto* line = new QHBoxLayout;
        line->setSpacing(8);
        auto* letter = makeTextLabel(QString(), kitFont(20, QFont::Bold), Colors::primaryText());
        letter->setObjectName(QStringLiteral("gradeLetter%1").arg(i));
        letter->setFixedWidth(28);
        auto* ratio = makeTextLabel(QString(), kitFont(12, QFont::Medium), Colors::primaryText());
        ratio->setObjectName(QStringLiteral("gradeRatio%1").arg(i));
        line->addWidget(letter);
        line->addWidget(ratio);
        line->addStretch(1);
        frame->contentLayout()->addLayout(line);
        grades->addWidget(frame, 1);
        m_gradeTiles[i] = GradeTile{letter, ratio};
    }
    bufferbloat->contentLayout()->addLayout(grades);
    auto* insights = new QVBoxLayout;
    insights->setSpacing(8);
    for (std::size_t i = 0; i < 2; ++i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* symbol = new QLabel(bufferbloat);
        symbol->setFixedWidth(12);
        symbol->setContentsMargins(0, 1, 0, 0);
        symbol->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        auto* sentence =
            makeTextLabel(QString(), kitFont(12, QFont::Medium), Colors::primaryText());
        sentence->setObjectName(QStringLiteral("insight%1").arg(i));
        sentence->setWordWrap(true);
        row->addWidget(symbol, 0, Qt::AlignTop);
        row->addWidget(sentence, 1, Qt::AlignTop);
        insights->addLayout(row);
        m_insightRows[i] = InsightRow{symbol, sentence};
    }
    bufferbloat->contentLayout()->addLayout(insights);
    return bufferbloat;
}

SpeedTestWindowModel SpeedTestWindowView::currentModel() const {
    const QLocale viewLocale = locale();
    return speedTestWindowModel(
        speedTestWindowInput(m_engine), numberSeparators(viewLocale),
        [&viewLocale](auto time) { return shortLocalTime(time, viewLocale); });
}

void SpeedTestWindowView::runButtonAction() {
    runSpeedTestButtonAction(currentModel().buttonAction, *m_engine.speedTestMonitor);
}

void SpeedTestWindowView::refresh() {
    const SpeedTestWindowModel model = currentModel();
    const bool results = model.layout == SpeedTestLayout::results;
    const QString buttonTitle = qText(model.buttonTitle);

    m_badge->setVisible(model.badge.has_value());
    if (model.badge) {
        const QColor color = statusColor(model.badge->tint);
        m_badge->setText(qText(model.badge->text));
        m_badge->setTextColor(color);
        m_badge->setFill(withOpacity(color, 0.2));
    }
    m_headerButton->setText(buttonTitle);
    m_headerButton->setVisible(model.showsHeaderButton);
    m_headerButton->updateGeometry();

    m_emptyBlock->setVisible(!results);
    m_emptyButton->setText(buttonTitle);
    m_emptyButton->updateGeometry();
    m_resultsBlock->setVisible(results);
    m_footer->setVisible(results);

    m_statusBlock->setVisible(model.showsStatusBlock);
    m_statusText->setText(qText(model.statusText));
    m_percentText->setText(qText(model.percentText));
    m_progress->setProgress(model.progress, 1.0);

    m_metricTiles[0].value->setText(qText(model.downloadTile.value));
    setLabelColor(m_metricTiles[0].value, statusColor(model.downloadTile.valueTint));
    m_metricTiles[1].value->setText(qText(model.uploadTile.value));
    setLabelColor(m_metricTiles[1].value, statusColor(model.uploadTile.valueTint));
    for (std::size_t i = 0; i < 3; ++i)
        m_latencyValues[i]->setText(qText(model.latencyBoxes[i].value));
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& grade = model.gradeTiles[i];
        m_gradeTiles[i].letter->setText(qText(grade.letter));
        setLabelColor(m_gradeTiles[i].letter, statusColor(grade.letterTint));
        m_gradeTiles[i].ratio->setText(qText(grade.ratioText));
        const auto& insight = model.insightRows[i];
        setSymbolImage(m_insightRows[i].symbol, qText(insight.indicatorSymbolName), 11,
                       statusColor(insight.indicatorTint));
        m_insightRows[i].text->setText(qText(insight.text));
    }
    m_lastTested->setText(qText(model.lastTestedText));
}

void SpeedTestWindowView::paintEvent(QPaintEvent*) {
    paintWindowBackground(this, Colors::backgroundStart(), Colors::backgroundEnd());
}

} // namespace lumra
