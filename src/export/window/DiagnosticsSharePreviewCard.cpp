#include "export/window/DiagnosticsSharePreviewCard.h"

#include "export/report/DiagnosticsShareCardModel.h"
#include "qt/CapsuleBadge.h"
#include "qt/KitFonts.h"
#include "qt/LocaleDateFormat.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"
#include "qt/SectionDivider.h"
#include "qt/SymbolLabel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lumra {

namespace {

namespace Palette = WindowPalette;

StatusColor capsuleColor(HealthState state) {
    switch (state) {
    case HealthState::good:
        return StatusColor::green;
    case HealthState::warning:
        return StatusColor::yellow;
    case HealthState::poor:
        return StatusColor::orange;
    case HealthState::disconnected:
        break;
    }
    return StatusColor::gray;
}

} // namespace

QString mediumDateTimeText(const QDateTime& dateTime, const QLocale& locale) {
    return localeDateTimeText(dateTime, locale, LocaleDateStyle::medium, LocaleDateStyle::medium);
}

DiagnosticsCardMetric::DiagnosticsCardMetric(const QString& title, const QString& value,
                                             QWidget* parent)
    : QWidget(parent), m_value(value) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_titleLabel =
        makeTextLabel(title, kitFont(11, QFont::DemiBold), Palette::secondaryText(), this);
    m_titleLabel->setObjectName(QStringLiteral("metricTitle"));
    const QFont valueFont = kitMonospacedFont(11, QFont::DemiBold);
    m_valueLabel = makeTextLabel(value, valueFont, Palette::primaryText(), this);
    m_valueLabel->setObjectName(QStringLiteral("metricValue"));
    m_valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_valueLabel->setMinimumWidth(0);
    m_valueLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(m_titleLabel);
    row->addWidget(m_valueLabel, 1);
    setAccessibleName(title);
    setAccessibleDescription(value);
}

QString DiagnosticsCardMetric::title() const {
    return m_titleLabel->text();
}

void DiagnosticsCardMetric::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitValue();
}

// One line: shrink down to 0.8 of the size (11 px to 9 px), then cut with
// an ellipsis.
void DiagnosticsCardMetric::fitValue() {
    const int available = m_valueLabel->width();
    if (available <= 0)
        return;
    QFont font = m_valueLabel->font();
    for (int size : {11, 10, 9}) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(m_value) <= available)
            break;
    }
    m_valueLabel->setFont(font);
    m_valueLabel->setText(QFontMetrics(font).elidedText(m_value, Qt::ElideRight, available));
}

DiagnosticsIncludedRow::DiagnosticsIncludedRow(const QString& text, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    QLabel* mark = makeSymbolImage(QStringLiteral("checkmark.seal.fill"), 11,
                                   withOpacity(statusColor(StatusColor::green), 0.9), this);
    mark->setObjectName(QStringLiteral("includedMark"));
    mark->setFixedSize(11, 11);
    row->addWidget(mark, 0, Qt::AlignVCenter);
    auto* label = makeTextLabel(text, kitFont(11, QFont::Medium), Palette::secondaryText(), this);
    label->setObjectName(QStringLiteral("includedText"));
    row->addWidget(label, 1);
}

DiagnosticsSharePreviewCard::DiagnosticsSharePreviewCard(const DiagnosticsExportReport& report,
                                                         QWidget* parent)
    : CardFrame(CardStyle{.fill = paletteWhite(0.03),
                          .border = Palette::exportPanelBorder(),
                          .cornerRadius = 12,
                          .padding = 12},
                parent) {
    const DiagnosticsShareCardModel model = diagnosticsShareCardModel(report);
    QBoxLayout* column = contentLayout();

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    auto* names = new QVBoxLayout;
    names->setSpacing(3);
    names->addWidget(makeTextLabel(QStringLiteral("Lumra"), kitFont(15, QFont::Bold),
                                   Palette::primaryText(), this));
    names->addWidget(makeTextLabel(QStringLiteral("Network Snapshot"), kitFont(11, QFont::Medium),
                                   Palette::secondaryText(), this));
    header->addLayout(names);
    header->addStretch(1);
    m_capsule = new CapsuleBadge(
        qText(model.capsuleText),
        CapsuleBadgeStyle{kitFont(10, QFont::Bold), QColor(Qt::black),
                          withOpacity(statusColor(capsuleColor(model.healthState)), 0.95), 8, 4},
        this);
    m_capsule->setObjectName(QStringLiteral("healthCapsule"));
    header->addWidget(m_capsule, 0, Qt::AlignTop);
    column->addLayout(header);

    column->addWidget(new SectionDivider(Palette::exportPanelBorder(), this));
    int index = 0;
    for (const auto& metric : model.metrics) {
        auto* line = new DiagnosticsCardMetric(qText(metric.title), qText(metric.value), this);
        line->setObjectName(QStringLiteral("metric%1").arg(index++));
        column->addWidget(line);
    }
    column->addWidget(new SectionDivider(Palette::exportPanelBorder(), this));

    const QDateTime exportedAt = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(model.exportedAt.time_since_epoch())
            .count());
    m_updated =
        makeTextLabel(QStringLiteral("Updated ") + mediumDateTimeText(exportedAt.toLocalTime()),
                      kitFont(10, QFont::Medium), Palette::secondaryText(), this);
    m_updated->setObjectName(QStringLiteral("updatedLine"));
    column->addWidget(m_updated);
}

} // namespace lumra
