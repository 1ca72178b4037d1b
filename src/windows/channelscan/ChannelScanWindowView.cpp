#include "windows/channelscan/ChannelScanWindowView.h"

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
#include "windows/channelscan/CongestionBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace lumra {

namespace {

namespace Colors = WindowPalette;

QFont trackedFont(double size, QFont::Weight weight) {
    QFont font = kitFont(size, weight);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    return font;
}

CapsuleBadge* markerTag(const QString& label, StatusColor accent, QWidget* parent) {
    const QColor color = statusColor(accent);
    return new CapsuleBadge(label,
                            CapsuleBadgeStyle{.font = kitFont(10, QFont::DemiBold),
                                              .textColor = color,
                                              .fill = withOpacity(color, 0.22),
                                              .horizontalPadding = 7,
                                              .verticalPadding = 2},
                            parent);
}

// The row's tags name the cards they match: the same words and accents.
QWidget* congestionRow(const ChannelScanRow& row, const ChannelScanWindowModel& model,
                       QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setObjectName(QStringLiteral("channelRow%1").arg(row.channelNumber));
    auto* column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* topLine = new QWidget(widget);
    auto* top = new QHBoxLayout(topLine);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(6);
    auto* channel =
        makeTextLabel(qText(row.channelText), kitFont(12, QFont::DemiBold), Colors::primaryText());
    top->addWidget(channel);
    // A tag never makes its row taller than the untagged ones.
    const int lineHeight = channel->sizeHint().height();
    topLine->setFixedHeight(lineHeight);
    for (const auto& [shows, card] : {std::pair{row.isCurrent, &model.currentCard},
                                      std::pair{row.isRecommended, &model.recommendedCard}}) {
        if (!shows)
            continue;
        auto* tag = markerTag(qText(card->title), card->accent, topLine);
        tag->setMaximumHeight(lineHeight);
        top->addWidget(tag, 0, Qt::AlignVCenter);
    }
    top->addStretch(1);
    top->addWidget(
        makeTextLabel(qText(row.scoreText), kitFont(12, QFont::Medium), Colors::primaryText()));
    column->addWidget(topLine);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    auto* count =
        makeTextLabel(qText(row.countText), kitFont(11, QFont::Medium), Colors::secondaryText());
    count->setFixedWidth(90);
    bottom->addWidget(count);
    auto* bar = new CongestionBar(row.barFraction, row.barTint, widget);
    bar->setObjectName(QStringLiteral("congestionBar"));
    bottom->addWidget(bar, 1);
    column->addLayout(bottom);
    return widget;
}

QWidget* statChip(const QString& label, QLabel*& value, QWidget* parent) {
    auto* chip = new CardFrame(CardStyle{.fill = paletteWhite(0.07),
                                         .cornerRadius = -1.0,
                                         .spacing = 6,
                                         .margins = QMargins(10, 6, 10, 6),
                                         .orientation = Qt::Horizontal},
                               parent);
    chip->contentLayout()->addWidget(
        makeTextLabel(label, kitFont(11, QFont::DemiBold), Colors::secondaryText()));
    value = makeTextLabel(QString(), kitFont(12, QFont::DemiBold), Colors::primaryText());
    chip->contentLayout()->addWidget(value);
    chip->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return chip;
}

} // namespace

struct ChannelScanWindowView::SelectionCard {
    CardFrame* frame;
    QLabel* channel;
    QLabel* score;
    QLabel* count;
    QLabel* unavailable;
};

ChannelScanWindowView::ChannelScanWindowView(const Engine& engine, double headerContentSpacing,
                                             QWidget* parent)
    : QWidget(parent), m_engine(engine), m_headerContentSpacing(headerContentSpacing) {
    setMinimumSize(860, 580);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll = makeToolWindowScrollArea(this);
    outer->addWidget(m_scroll);

    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    column->addWidget(buildHeader());
    auto* gap = new QWidget(content);
    gap->setFixedHeight(static_cast<int>(std::lround(std::max(m_headerContentSpacing, 0.0))));
    column->addWidget(gap);
    column->addWidget(buildEmptyBlock(), 1);
    column->addWidget(buildResultBlock(), 1);
    m_scroll->setWidget(content);
    // The scroll area fills its widget by default; the gradient must show through.
    content->setAutoFillBackground(false);

    m_refresh = new DeferredRefresh(this, [this] { refresh(); });
    m_refresh->observe(*m_engine.channelScanMonitor);
    refresh();
}

ChannelScanWindowView::~ChannelScanWindowView() = default;

QWidget* ChannelScanWindowView::buildHeader() {
    // At least 10 between the titles and the button.
    const ToolWindowHeader header =
        makeToolWindowHeader(QStringLiteral("dot.radiowaves.left.and.right"),
                             qText(channelScanTitle), qText(channelScanSubtitle), 10);
    header.titleLine->addStretch(1);
    m_headerButton = header.button;
    connect(m_headerButton, &QAbstractButton::clicked, this, [this] { runButtonAction(); });
    return header.widget;
}

QWidget* ChannelScanWindowView::buildEmptyBlock() {
    m_emptyBlock = new QWidget;
    m_emptyBlock->setObjectName(QStringLiteral("emptyBlock"));
    auto* column = new QVBoxLayout(m_emptyBlock);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addStretch(1);

    column->addLayout(
        makeEmptyStateTexts(qText(channelScanEmptyTitle), qText(channelScanEmptyDescription)));

    m_emptyProgress = new ProgressBar(statusColor(StatusColor::accent), m_emptyBlock);
    m_emptyProgress->setObjectName(QStringLiteral("emptyProgress"));
    m_emptyProgress->setFixedWidth(320);
    column->addWidget(m_emptyProgress, 0, Qt::AlignHCenter);
    m_emptyButton = new KitButton(windowActionButtonStyle(), QString(), m_emptyBlock);
    m_emptyButton->setObjectName(QStringLiteral("emptyButton"));
    connect(m_emptyButton, &QAbstractButton::clicked, this, [this] { runButtonAction(); });
    column->addWidget(m_emptyButton, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return m_emptyBlock;
}

ChannelScanWindowView::SelectionCard*
ChannelScanWindowView::buildCard(const ChannelScanCard& model) {
    const QString title = qText(model.title);
    auto* frame = new CardFrame(CardStyle{.fill = paletteWhite(0.06),
                                          .border = withOpacity(statusColor(model.accent), 0.32),
                                          .cornerRadius = 9.0,
                                          .padding = 8,
                                          .spacing = 4});
    frame->setObjectName(title.toLower() + QStringLiteral("Card"));
    frame->contentLayout()->setContentsMargins(10, 8, 10, 8);
    auto* layout = frame->contentLayout();
    layout->addWidget(makeTextLabel(title, kitFont(11, QFont::DemiBold), Colors::tertiaryText()));
    auto* card = new SelectionCard{
        frame,
        makeTextLabel(QString(), kitFont(13, QFont::DemiBold), Colors::primaryText()),
        makeTextLabel(QString(), kitFont(12, QFont::Medium), Colors::primaryText()),
        makeTextLabel(QString(), kitFont(11, QFont::Medium), Colors::secondaryText()),
        makeTextLabel(qText(unavailableText), kitFont(13, QFont::Medium), Colors::secondaryText()),
    };
    for (auto* label : {card->channel, card->score, card->count, card->unavailable})
        layout->addWidget(label);
    layout->addStretch(1);
    return card;
}

QWidget* ChannelScanWindowView::buildCongestionPanel() {
    auto* panel = new CardFrame(CardStyle{.fill = Colors::sectionFill(),
                                          .border = Colors::border(),
                                          .cornerRadius = 12.0,
                                          .padding = 12,
                                          .spacing = 8},
                                m_resultBlock);
    panel->setObjectName(QStringLiteral("congestionPanel"));
    auto* panelLayout = panel->contentLayout();
    panelLayout->addWidget(makeTextLabel(qText(bandCongestionHeading),
                                         trackedFont(11, QFont::DemiBold), Colors::tertiaryText()));
    auto* explanation = makeTextLabel(qText(bandCongestionExplanation), kitFont(11, QFont::Medium),
                                      Colors::secondaryText());
    explanation->setWordWrap(true);
    explanation->setContentsMargins(0, 0, 0, 4);
    panelLayout->addWidget(explanation);
    m_noChannels =
        makeTextLabel(qText(noChannelsText), kitFont(12, QFont::Medium), Colors::secondaryText());
    m_noChannels->setObjectName(QStringLiteral("noChannels"));
    panelLayout->addWidget(m_noChannels);
    m_rowsBox = new QWidget(panel);
    m_rowsLayout = new QVBoxLayout(m_rowsBox);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(6);
    panelLayout->addWidget(m_rowsBox);
    return panel;
}

QWidget* ChannelScanWindowView::buildResultBlock() {
    m_resultBlock = new QWidget;
    m_resultBlock->setObjectName(QStringLiteral("resultBlock"));
    auto* outer = new QVBoxLayout(m_resultBlock);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(16);
    m_resultProgress = new ProgressBar(statusColor(StatusColor::accent), m_resultBlock);
    m_resultProgress->setObjectName(QStringLiteral("resultProgress"));
    outer->addWidget(m_resultProgress);

    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    auto* chips = new QHBoxLayout;
    chips->setSpacing(14);
    chips->addWidget(statChip(qText(networksSeenChipLabel), m_networksSeenValue, m_resultBlock));
    chips->addWidget(statChip(qText(passesChipLabel), m_passesValue, m_resultBlock));
    chips->addStretch(1);
    m_networksSeenValue->setObjectName(QStringLiteral("networksSeenValue"));
    m_passesValue->setObjectName(QStringLiteral("passesValue"));
    column->addLayout(chips);

    auto* cards = new QHBoxLayout;
    cards->setSpacing(10);
    const ChannelScanWindowModel model = currentModel();
    m_currentCard.reset(buildCard(model.currentCard));
    m_recommendedCard.reset(buildCard(model.recommendedCard));
    cards->addWidget(m_currentCard->frame, 1);
    cards->addWidget(m_recommendedCard->frame, 1);
    column->addLayout(cards);

    m_sentence = makeTextLabel(QString(), kitFont(12, QFont::Medium), Colors::secondaryText());
    m_sentence->setObjectName(QStringLiteral("sentence"));
    m_sentence->setWordWrap(true);
    m_sentence->setContentsMargins(0, 4, 0, 4);
    column->addWidget(m_sentence);

    column->addWidget(buildCongestionPanel());

    outer->addLayout(column);
    outer->addStretch(1);
    return m_resultBlock;
}

ChannelScanWindowModel ChannelScanWindowView::currentModel() const {
    return channelScanWindowModel(channelScanWindowInput(m_engine), numberSeparators(locale()));
}

void ChannelScanWindowView::runButtonAction() {
    runScanButtonAction(currentModel().buttonAction, *m_engine.channelScanMonitor);
}

void ChannelScanWindowView::applyCard(SelectionCard& card, const ChannelScanCard& model) {
    const bool hasSelection = model.channelText.has_value();
    card.channel->setText(qText(model.channelText.value_or("")));
    card.score->setText(qText(model.scoreText.value_or("")));
    card.count->setText(qText(model.countText.value_or("")));
    card.channel->setVisible(hasSelection);
    card.score->setVisible(hasSelection);
    card.count->setVisible(hasSelection);
    card.unavailable->setVisible(!hasSelection);
}

void ChannelScanWindowView::rebuildRows(const ChannelScanWindowModel& model) {
    const std::vector<ChannelScanRow>& rows = model.rows;
    if (rows == m_shownRows)
        return;
    while (auto* item = m_rowsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const auto& row : rows)
        m_rowsLayout->addWidget(congestionRow(row, model, m_rowsBox));
    m_shownRows = rows;
}

void ChannelScanWindowView::refresh() {
    const ChannelScanWindowModel model = currentModel();
    const bool hasResult = model.layout == ChannelScanLayout::resultIdle ||
                           model.layout == ChannelScanLayout::resultScanning;
    const QString buttonTitle = qText(model.buttonTitle);

    m_headerButton->setText(buttonTitle);
    m_headerButton->setVisible(model.showsHeaderButton);
    m_headerButton->updateGeometry();

    m_emptyBlock->setVisible(!hasResult);
    m_emptyProgress->setVisible(!hasResult && model.showsProgress);
    m_emptyProgress->setProgress(model.progressValue, model.progressTotal);
    m_emptyButton->setText(buttonTitle);
    m_emptyButton->setVisible(!hasResult && !model.showsProgress);
    m_emptyButton->updateGeometry();

    m_resultBlock->setVisible(hasResult);
    m_resultProgress->setVisible(hasResult && model.showsProgress);
    m_resultProgress->setProgress(model.progressValue, model.progressTotal);
    m_networksSeenValue->setText(qText(model.networksSeenText));
    m_passesValue->setText(qText(model.passesText));
    applyCard(*m_currentCard, model.currentCard);
    applyCard(*m_recommendedCard, model.recommendedCard);
    m_sentence->setText(qText(model.sentence));
    m_noChannels->setVisible(model.rows.empty());
    m_rowsBox->setVisible(!model.rows.empty());
    rebuildRows(model);
}

void ChannelScanWindowView::paintEvent(QPaintEvent*) {
    paintWindowBackground(this, Colors::backgroundStart(), Colors::backgroundEnd());
}

} // namespace lumra
