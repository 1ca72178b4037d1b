#include "windows/radar/RadarMetricCardView.h"

#include "qt/CardFrame.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/QtText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace lumra {

namespace {

QFont titleFont() {
    return kitMonospacedFont(12, QFont::DemiBold);
}
QFont valueFont() {
    return kitMonospacedFont(14, QFont::DemiBold);
}

} // namespace

RadarMetricCardView::RadarMetricCardView(QWidget* parent)
    : QWidget(parent), m_sparkline(new InlineSparklineView(this)) {
    setObjectName(QStringLiteral("metricCard"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RadarMetricCardView::setCard(const RadarMetricCardModel& card, const QColor& colour) {
    if (card == m_card && colour == m_colour)
        return;
    m_card = card;
    m_colour = colour;
    setAccessibleName(qText(m_card.title + " " + m_card.valueText));
    m_sparkline->setSeries(m_card.samples, m_card.yDomain, m_colour);
    update();
}

int RadarMetricCardView::rowHeight() const {
    return std::max(QFontMetrics(titleFont()).height(), QFontMetrics(valueFont()).height());
}

QSize RadarMetricCardView::sizeHint() const {
    return {160, 2 * kVerticalPadding + rowHeight() + kRowSpacing + kSparklineHeight};
}

QRectF RadarMetricCardView::sparklineRect() const {
    return QRectF(kHorizontalPadding, kVerticalPadding + rowHeight() + kRowSpacing,
                  std::max(0, width() - 2 * kHorizontalPadding), kSparklineHeight);
}

void RadarMetricCardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintCard(painter, QRectF(rect()),
              CardStyle{.fill = paletteWhite(0.05),
                        .border = WindowPalette::border(),
                        .cornerRadius = 9});

    const QRect row(kHorizontalPadding, kVerticalPadding, width() - 2 * kHorizontalPadding,
                    rowHeight());
    painter.setFont(titleFont());
    painter.setPen(WindowPalette::secondaryText());
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, qText(m_card.title));
    painter.setFont(valueFont());
    painter.setPen(m_colour);
    painter.drawText(row, Qt::AlignRight | Qt::AlignVCenter, qText(m_card.valueText));
}

void RadarMetricCardView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect box = sparklineRect().toRect();
    m_sparkline->setFixedSize(box.size());
    m_sparkline->move(box.topLeft());
}

} // namespace lumra
