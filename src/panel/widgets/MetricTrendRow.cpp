#include "panel/widgets/MetricTrendRow.h"

#include "panel/widgets/AccessibleTexts.h"
#include "panel/widgets/MetricRow.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"
#include "viewkit/TextFit.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <algorithm>
#include <cmath>

namespace lumra {

namespace PP = PanelPalette;

// Fits text on one line of the label's width.
void fitOnOneLine(QLabel* label, const QString& text, const QFont& base);

MetricTrendRow::MetricTrendRow(const MetricRowModel& model, QWidget* parent) : QWidget(parent) {
    // Never squeezed below the sparkline's height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_title = makeTextLabel(QString(), PP::rowTitleFont(), PP::secondaryText(), this);
    m_title->setFixedWidth(82);
    // The title keeps its size; only the value shrinks.
    m_title->setText(
        QFontMetrics(PP::rowTitleFont()).elidedText(qText(model.title), Qt::ElideRight, 82));
    m_value = makeTextLabel(QString(), PP::rowValueFont(), PP::primaryText(), this);
    m_value->setFixedWidth(64);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_sparkline = new InlineSparklineView(this);
    layout->addWidget(m_title, 0, Qt::AlignVCenter);
    layout->addWidget(m_value, 0, Qt::AlignVCenter);
    layout->addWidget(m_sparkline, 0, Qt::AlignVCenter);
    layout->addStretch(0);
    setAccessibleName(qText(model.title));
    m_value->setAccessibleName(qText(model.title));
    m_sparkline->setAccessibleName(qText(model.title) + QStringLiteral(" trend"));
    apply(model);
}

void MetricTrendRow::apply(const MetricRowModel& model) {
    const QString value = qText(model.value);
    if (value != m_valueText) {
        m_valueText = value;
        fitValue();
    }
    setAccessibleDescriptionIfChanged(m_value, value);
    const auto samples = model.samples.value_or(std::vector<double>{});
    m_sparkline->setSeries(samples, model.yDomain, statusColor(model.stroke));
    setAccessibleDescriptionIfChanged(m_sparkline,
                                      QString::number(samples.size()) + QStringLiteral(" samples"));
}

void fitOnOneLine(QLabel* label, const QString& text, const QFont& base) {
    // One line: shrink down to 0.8 of the size, then cut with an ellipsis.
    QFont font = base;
    const int width = label->width() > 0 ? label->width() : label->maximumWidth();
    const double scale = fittedScale(QFontMetricsF(base).horizontalAdvance(text), width, 0.8);
    if (scale < 1.0) {
        // Fractional sizes: 0.8 of 12 is 9.6, not a whole pixel below it.
        font.setPointSizeF(QFontInfo(base).pointSizeF() * scale);
    }
    label->setFont(font);
    label->setText(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
}

void MetricTrendRow::fitValue() {
    const QFont before = m_value->font();
    fitOnOneLine(m_value, m_valueText, PP::rowValueFont());
    // A value label of a fixed size repaints itself for a new text and lays
    // out nothing around it (every poll brings new values). Its height is
    // the one its font gives it, as the layout would.
    if (!m_valueHeightFixed || m_value->font() != before)
        fixValueHeight();
}

void MetricTrendRow::fixValueHeight() {
    // The label's size hint never goes below its minimum: free it first.
    m_value->setMinimumHeight(0);
    m_value->setMaximumHeight(QWIDGETSIZE_MAX);
    m_value->setFixedHeight(m_value->sizeHint().height());
    m_valueHeightFixed = true;
}

void MetricTrendRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_valueHeightFixed)
        fixValueHeight();
}

QWidget* makeMetricRow(const MetricRowModel& model, QWidget* parent) {
    if (model.samples) {
        return new MetricTrendRow(model, parent);
    }
    return new MetricRow(qText(model.title), qText(model.value), parent);
}

void applyMetricRow(QWidget* row, const MetricRowModel& model) {
    if (auto* trend = dynamic_cast<MetricTrendRow*>(row)) {
        trend->apply(model);
    } else if (auto* plain = dynamic_cast<MetricRow*>(row)) {
        plain->setValue(qText(model.value));
    }
}

} // namespace lumra
