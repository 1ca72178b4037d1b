#include "windows/channelscan/ToolWindowWidgets.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/SymbolLabel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace lumra {

ToolWindowHeader makeToolWindowHeader(const QString& symbolName, const QString& title,
                                      const QString& subtitle, int minimumSpacerWidth) {
    namespace Colors = WindowPalette;
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(5);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    titleLine->addWidget(makeSymbolImage(symbolName, 15, Colors::secondaryText()));
    titleLine->addWidget(makeTextLabel(title, kitFont(23), Colors::primaryText()));
    titles->addLayout(titleLine);
    titles->addWidget(makeTextLabel(subtitle, kitFont(12), Colors::secondaryText()));
    row->addLayout(titles);
    row->addStretch(1);
    if (minimumSpacerWidth > 0)
        row->addSpacing(minimumSpacerWidth);

    auto* button = new ToolWindowActionButton(Colors::primaryText(), Colors::border(), header);
    button->setObjectName(QStringLiteral("headerButton"));
    row->addWidget(button, 0, Qt::AlignTop);
    return {header, titleLine, button};
}

QScrollArea* makeToolWindowScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

QVBoxLayout* makeEmptyStateTexts(const QString& title, const QString& description) {
    namespace Colors = WindowPalette;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    for (auto* label :
         {makeTextLabel(title, kitFont(14, QFont::DemiBold), Colors::primaryText()),
          makeTextLabel(description, kitFont(12, QFont::Medium), Colors::secondaryText())}) {
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
        texts->addWidget(label);
    }
    return texts;
}

void paintWindowBackground(QWidget* widget, const QColor& start, const QColor& end) {
    QPainter painter(widget);
    QLinearGradient gradient(QPointF(0, 0), QPointF(widget->width(), widget->height()));
    gradient.setColorAt(0.0, start);
    gradient.setColorAt(1.0, end);
    painter.fillRect(widget->rect(), gradient);
}

ToolWindowActionButton::ToolWindowActionButton(const QColor& textColor, const QColor& border,
                                               QWidget* parent)
    : QAbstractButton(parent), m_textColor(textColor), m_border(border) {
    setFont(kitFont(12, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

QSize ToolWindowActionButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * 12, metrics.height() + 2 * 7};
}

void ToolWindowActionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(m_border, 1.0));
    painter.setBrush(isDown() ? paletteWhite(0.14) : paletteWhite(0.08));
    painter.drawRoundedRect(shape, 8, 8);
    painter.setPen(m_textColor);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

LinearProgressBar::LinearProgressBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(6);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void LinearProgressBar::setProgress(double value, double total) {
    double fraction = total > 0 ? value / total : 0.0;
    fraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (fraction == m_fraction)
        return;
    m_fraction = fraction;
    update();
}

void LinearProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    const double radius = track.height() / 2.0;
    painter.setBrush(paletteWhite(0.12));
    painter.drawRoundedRect(track, radius, radius);
    if (m_fraction > 0) {
        QRectF fill = track;
        fill.setWidth(std::max(track.width() * m_fraction, track.height()));
        painter.setBrush(statusColor(StatusColor::accent));
        painter.drawRoundedRect(fill, radius, radius);
    }
}

FilledRow::FilledRow(const QColor& fill, QMargins padding, int spacing, double cornerRadius,
                     QWidget* parent)
    : QWidget(parent), m_fill(fill), m_cornerRadius(cornerRadius), m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(padding);
    m_layout->setSpacing(spacing);
}

void FilledRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_fill);
    const QRectF shape(rect());
    const double radius = m_cornerRadius < 0 ? shape.height() / 2.0 : m_cornerRadius;
    painter.drawRoundedRect(shape, radius, radius);
}

FittingLabel::FittingLabel(const QFont& font, const QColor& color, double minimumScale,
                           QWidget* parent)
    : QLabel(parent), m_minimumScale(minimumScale) {
    setTextFormat(Qt::PlainText);
    setFont(font);
    setLabelColor(this, color);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize FittingLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

QFont FittingLabel::fittedFont() const {
    QFont fitted = font();
    const int natural = QFontMetrics(fitted).horizontalAdvance(text());
    const int available = contentsRect().width();
    if (natural <= available || natural <= 0)
        return fitted;
    const double scale = std::max(m_minimumScale, static_cast<double>(available) / natural);
    fitted.setPixelSize(std::max(1, static_cast<int>(std::floor(font().pixelSize() * scale))));
    return fitted;
}

double FittingLabel::drawnPixelSize() const {
    return fittedFont().pixelSize();
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFont fitted = fittedFont();
    painter.setFont(fitted);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    const QString shown = QFontMetrics(fitted).elidedText(text(), Qt::ElideRight, area.width());
    painter.drawText(area, static_cast<int>(alignment()), shown);
}

CongestionBar::CongestionBar(double fraction, StatusColor tint, QWidget* parent)
    : QWidget(parent), m_fraction(fraction), m_color(withOpacity(statusColor(tint), 0.82)) {
    setFixedHeight(10);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CongestionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    painter.setBrush(paletteWhite(0.07));
    painter.drawRoundedRect(track, 4, 4);
    QRectF bar = track;
    bar.setWidth(std::min(congestionBarWidth(track.width(), m_fraction), track.width()));
    painter.setBrush(m_color);
    painter.drawRoundedRect(bar, 4, 4);
}

} // namespace lumra
