#include "panel/widgets/PanelBlocks.h"

#include "panel/viewmodel/PanelTexts.h"
#include "qt/KitFonts.h"
#include "qt/LocaleNumberFormat.h"
#include "qt/Palette.h"
#include "qt/QtText.h"
#include "qt/SymbolLabel.h"
#include "qt/SymbolRegistry.h"
#include "viewkit/MetricFormat.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace lumra {

namespace PP = PanelPalette;

// Fits text on one line of the label's width.
void fitOnOneLine(QLabel* label, const QString& text, const QFont& base);

namespace {

// A filled circle of a fixed size.
class Dot final : public QWidget {
public:
    Dot(int side, QColor color, QWidget* parent) : QWidget(parent), m_color(std::move(color)) {
        setFixedSize(side, side);
    }
    void setColor(const QColor& color) {
        if (color != m_color) {
            m_color = color;
            update();
        }
    }
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawEllipse(QRectF(rect()));
    }

private:
    QColor m_color;
};

// The small window under the info button; closing it by clicking elsewhere
// tells the row.
class ChannelPopover final : public QFrame {
public:
    ChannelPopover(const QString& text, std::function<void()> onHide, QWidget* parent)
        : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
          m_onHide(std::move(onHide)) {
        setAttribute(Qt::WA_TranslucentBackground);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(8, 8 + arrowHeight, 8, 8);
        m_label = makeTextLabel(text, PP::captionFont(), PP::primaryText(), this);
        layout->addWidget(m_label);
        setAccessibleName(text);
    }
    QLabel* label() const { return m_label; }
    // The row is going away: tell it nothing more.
    void detach() { m_onHide = {}; }
    static constexpr int arrowHeight = 6;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF body = QRectF(rect()).adjusted(0.5, arrowHeight + 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(body, 8, 8);
        const double mid = body.center().x();
        QPainterPath arrow;
        arrow.moveTo(mid - arrowHeight, body.top());
        arrow.lineTo(mid, 0.5);
        arrow.lineTo(mid + arrowHeight, body.top());
        arrow.closeSubpath();
        path = path.united(arrow);
        painter.setPen(QPen(PP::border(), 1));
        painter.setBrush(PP::backgroundStart());
        painter.drawPath(path);
    }
    void hideEvent(QHideEvent* event) override {
        QFrame::hideEvent(event);
        if (auto onHide = std::exchange(m_onHide, {})) {
            onHide();
        }
        deleteLater();
    }

private:
    QLabel* m_label;
    std::function<void()> m_onHide;
};

// A symbol alone as a button: no bezel, no background.
class PlainSymbolButton final : public QAbstractButton {
public:
    PlainSymbolButton(const QString& symbolName, double pointSize, QWidget* parent)
        : QAbstractButton(parent), m_symbolName(symbolName) {
        const int side = static_cast<int>(std::ceil(pointSize * 1.1));
        setFixedSize(side, side);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QImage image = symbolImage(m_symbolName, QSizeF(size()),
                                         PanelPalette::secondaryText(), devicePixelRatioF());
        if (!image.isNull()) {
            painter.drawImage(QRectF(rect()), image);
        }
    }

private:
    QString m_symbolName;
};

} // namespace

void setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

QLabel* makeSymbolLabel(const QString& symbolName, double pointSize, const QColor& color,
                        QWidget* parent) {
    const double side = std::ceil(pointSize * 1.2);
    QLabel* label = makeSymbolImage(symbolName, side, color, parent);
    label->setFixedSize(static_cast<int>(side), static_cast<int>(side));
    label->setAccessibleName(QString());
    return label;
}

CapsuleBadge* makeChip(const QString& text, QWidget* parent) {
    CapsuleBadgeStyle style{PP::captionFont(), PP::secondaryText(), PP::controlFill(), 8, 3};
    return new CapsuleBadge(text, style, parent);
}

CapsuleBadge* makeBadge(const BadgeModel& model, QWidget* parent) {
    const QColor& tint = statusColor(model.tint);
    CapsuleBadgeStyle style{PP::systemFont(11, QFont::Bold), tint, withOpacity(tint, 0.2), 10, 4};
    auto* badge = new CapsuleBadge(qText(model.text), style, parent);
    badge->setAccessibleName(qText(model.text));
    return badge;
}

void applyBadge(CapsuleBadge* badge, const BadgeModel& model) {
    const QColor& tint = statusColor(model.tint);
    setTextIfChanged(badge, qText(model.text));
    badge->setAccessibleName(qText(model.text));
    badge->setTextColor(tint);
    badge->setFill(withOpacity(tint, 0.2));
}

// --- sparkline

InlineSparklineView::InlineSparklineView(QWidget* parent) : QWidget(parent) {
    setFixedSize(164, 20);
}

void InlineSparklineView::setSeries(std::vector<double> samples, std::optional<ChartDomain> yDomain,
                                    const QColor& strokeColor) {
    if (samples == m_samples && yDomain == m_domain && strokeColor == m_stroke) {
        return;
    }
    m_values = sparklinePlotValues(samples, yDomain);
    m_samples = std::move(samples);
    m_domain = yDomain;
    m_stroke = strokeColor;
    update();
}

void InlineSparklineView::draw(QPainter& painter, const QRectF& rect) const {
    const SparklineGeometry g = sparklineGeometry(m_values, rect.width(), rect.height());
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    if (!g.points.empty()) {
        QPainterPath area;
        area.moveTo(0, g.baselineY);
        for (const auto& p : g.points) {
            area.lineTo(p.x, p.y);
        }
        area.lineTo(g.points.back().x, g.baselineY);
        area.closeSubpath();
        painter.fillPath(area, withOpacity(m_stroke, 0.2));
    }
    QPen baseline(withOpacity(m_stroke, 0.35), 0.8, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    baseline.setMiterLimit(10);
    painter.setPen(baseline);
    painter.drawLine(QPointF(0, g.baselineY), QPointF(g.width, g.baselineY));
    if (!g.points.empty()) {
        QPainterPath line;
        line.moveTo(g.points.front().x, g.points.front().y);
        for (std::size_t i = 1; i < g.points.size(); ++i) {
            line.lineTo(g.points[i].x, g.points[i].y);
        }
        painter.setPen(QPen(m_stroke, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
    }
    painter.restore();
}

void InlineSparklineView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw(painter, QRectF(rect()));
}

// --- rows

MetricRow::MetricRow(const QString& title, const QString& value, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_title = makeTextLabel(title, PP::rowTitleFont(), PP::secondaryText(), this);
    QFont valueFont = PP::rowValueFont();
    valueFont.setStyleHint(QFont::TypeWriter);
    m_value = makeTextLabel(value, valueFont, PP::primaryText(), this);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_title);
    layout->addStretch(1);
    layout->addWidget(m_value);
    setAccessibleName(title);
    m_value->setAccessibleName(title);
    m_value->setAccessibleDescription(value);
}

void MetricRow::setValue(const QString& value) {
    setTextIfChanged(m_value, value);
    m_value->setAccessibleDescription(value);
}

MetricTrendRow::MetricTrendRow(const MetricRowModel& model, QWidget* parent) : QWidget(parent) {
    // Never squeezed below the sparkline's height.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_title = makeTextLabel(QString(), PP::rowTitleFont(), PP::secondaryText(), this);
    m_title->setFixedWidth(82);
    fitOnOneLine(m_title, qText(model.title), PP::rowTitleFont());
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
    m_value->setAccessibleDescription(value);
    const auto samples = model.samples.value_or(std::vector<double>{});
    m_sparkline->setSeries(samples, model.yDomain, statusColor(model.stroke));
    m_sparkline->setAccessibleDescription(QString::number(samples.size()) +
                                          QStringLiteral(" samples"));
}

void fitOnOneLine(QLabel* label, const QString& text, const QFont& base) {
    // One line: shrink down to 0.8 of the size, then cut with an ellipsis.
    QFont font = base;
    const int width = label->width() > 0 ? label->width() : label->maximumWidth();
    const double full = QFontMetricsF(font).horizontalAdvance(text);
    if (full > width) {
        const double scale = std::max(0.8, width / full);
        font.setPixelSize(std::max(1, static_cast<int>(std::floor(font.pixelSize() * scale))));
    }
    label->setFont(font);
    label->setText(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
}

void MetricTrendRow::fitValue() {
    fitOnOneLine(m_value, m_valueText, PP::rowValueFont());
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

// --- buttons

HeaderIconButton::HeaderIconButton(const QString& symbolName, const QString& accessibilityLabel,
                                   const QString& help, std::function<void()> action,
                                   QWidget* parent)
    : QAbstractButton(parent), m_symbolName(symbolName) {
    setFixedSize(22, 22);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(accessibilityLabel);
    setToolTip(help);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) {
            action();
        }
    });
}

void HeaderIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PP::controlFill());
    painter.drawEllipse(QRectF(rect()));
    const QSizeF symbol(13, 13);
    const QImage image =
        symbolImage(m_symbolName, symbol, PP::secondaryText(), devicePixelRatioF());
    if (!image.isNull()) {
        const QPointF origin((width() - symbol.width()) / 2, (height() - symbol.height()) / 2);
        painter.drawImage(QRectF(origin, symbol), image);
    }
}

BackButton::BackButton(const QString& accessibilityLabel, std::function<void()> action,
                       QWidget* parent)
    : QAbstractButton(parent) {
    setText(QStringLiteral("Back"));
    setFont(PP::captionFont());
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(accessibilityLabel);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) {
            action();
        }
    });
}

QSize BackButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {12 + 4 + metrics.horizontalAdvance(text()), std::max(14, metrics.height())};
}

void BackButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF symbol(10, 10);
    const QImage chevron = symbolImage(QStringLiteral("chevron.left"), symbol, PP::secondaryText(),
                                       devicePixelRatioF());
    const double top = (height() - symbol.height()) / 2;
    if (!chevron.isNull()) {
        painter.drawImage(QRectF(QPointF(1, top), symbol), chevron);
    }
    painter.setPen(PP::secondaryText());
    painter.setFont(font());
    painter.drawText(QRectF(16, 0, width() - 16, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
}

// --- containers

PlainGroupBox::PlainGroupBox(const QString& label, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!label.isEmpty()) {
        auto* title = makeTextLabel(label, PP::sectionFont(), PP::tertiaryText(), this);
        layout->addWidget(title);
        setAccessibleName(label);
    }
    m_content = new QVBoxLayout;
    m_content->setContentsMargins(0, 4, 0, 0);
    m_content->setSpacing(8);
    layout->addLayout(m_content);
}

SectionDivider::SectionDivider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SectionDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), PP::rule());
}

InlineMessageRow::InlineMessageRow(const InlineMessageModel& model, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(8);
    auto* dotColumn = new QVBoxLayout;
    dotColumn->setContentsMargins(0, 4, 0, 0);
    m_dot = new Dot(6, statusColor(model.accent), this);
    dotColumn->addWidget(m_dot);
    dotColumn->addStretch(1);
    layout->addLayout(dotColumn);
    m_text = makeTextLabel(qText(model.text), PP::captionFont(), PP::secondaryText(), this, true);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout->addWidget(m_text, 1, Qt::AlignTop);
    apply(model);
}

void InlineMessageRow::apply(const InlineMessageModel& model) {
    setTextIfChanged(m_text, qText(model.text));
    m_accent = statusColor(model.accent);
    static_cast<Dot*>(m_dot)->setColor(m_accent);
    setAccessibleName(qText(model.text));
}

void InlineMessageRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PP::cardFill());
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

// --- Wi-Fi header

WiFiNetworkHeaderRow::WiFiNetworkHeaderRow(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_dot = new Dot(8, paletteWhite(0.45), this);
    m_name = makeTextLabel(QString(), PP::systemFont(17, QFont::DemiBold), PP::primaryText(), this);
    // The chip: the band text, then the info button inside the same capsule.
    auto* chip = makeChip(QString(), this);
    chip->setContentsMargins(8, 3, 8 + 4 + 12, 3);
    m_chip = chip;
    m_band = chip;
    m_info = new PlainSymbolButton(QStringLiteral("info.circle"), 11, chip);
    m_info->setAccessibleName(QStringLiteral("Show channel details"));
    connect(m_info, &QAbstractButton::clicked, this,
            [this] { setChannelInfoPopoverPresented(!isChannelInfoPopoverPresented()); });
    layout->addWidget(m_dot, 0, Qt::AlignVCenter);
    layout->addWidget(m_name, 0, Qt::AlignVCenter);
    layout->addWidget(m_chip, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    m_chip->hide();
}

void WiFiNetworkHeaderRow::apply(const WiFiHeaderModel& model) {
    setTextIfChanged(m_name, qText(model.networkName));
    m_name->setAccessibleName(qText(model.networkName));
    static_cast<Dot*>(m_dot)->setColor(model.isConnected ? statusColor(StatusColor::green)
                                                         : paletteWhite(0.45));
    m_channelDetails = qText(model.channelDetails);
    m_info->setToolTip(m_channelDetails);
    m_chip->setVisible(model.bandText.has_value());
    if (model.bandText) {
        setTextIfChanged(m_band, qText(*model.bandText));
        m_band->adjustSize();
        m_info->move(m_band->width() - 8 - m_info->width(),
                     (m_band->height() - m_info->height()) / 2);
    }
    if (m_popover) {
        if (auto* label = m_popover->findChild<QLabel*>()) {
            setTextIfChanged(label, m_channelDetails);
        }
    }
}

WiFiNetworkHeaderRow::~WiFiNetworkHeaderRow() {
    if (auto* popover = static_cast<ChannelPopover*>(m_popover.data())) {
        popover->detach();
        delete popover;
    }
}

bool WiFiNetworkHeaderRow::isChannelInfoPopoverPresented() const {
    return !m_popover.isNull();
}

void WiFiNetworkHeaderRow::setChannelInfoPopoverPresented(bool presented) {
    if (presented == isChannelInfoPopoverPresented()) {
        return;
    }
    if (!presented) {
        m_popover->hide();
        return;
    }
    auto* popover = new ChannelPopover(
        m_channelDetails, [this] { m_popover.clear(); }, this);
    m_popover = popover;
    popover->adjustSize();
    // Attached under the button, the arrow pointing at it.
    const QPoint anchor = m_info->mapToGlobal(QPoint(m_info->width() / 2, m_info->height()));
    popover->move(anchor.x() - popover->width() / 2, anchor.y() + 2);
    popover->show();
}

} // namespace lumra

namespace lumra {

QPushButton* makePanelButton(const QString& text, bool prominent, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFont(PanelPalette::captionFont());
    button->setCursor(Qt::PointingHandCursor);
    const QColor fill = prominent ? statusColor(StatusColor::accent) : PanelPalette::controlFill();
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 5px; padding: 3px 10px; }"
                       "QPushButton:pressed { background: %4; }"
                       "QPushButton:disabled { color: %5; }")
            .arg(fill.name(QColor::HexArgb), PanelPalette::primaryText().name(QColor::HexArgb),
                 PanelPalette::border().name(QColor::HexArgb),
                 withOpacity(fill, std::min(1.0, fill.alphaF() + 0.15)).name(QColor::HexArgb),
                 PanelPalette::tertiaryText().name(QColor::HexArgb)));
    return button;
}

} // namespace lumra
