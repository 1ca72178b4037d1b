// The popover's shared rows, badges and sparkline (used by the tool windows
// and the export too). Every text that carries data is plain text. Main
// thread.
#pragma once

#include "concurrency/Published.h"
#include "panel/viewmodel/DashboardModel.h"
#include "panel/viewmodel/PanelTexts.h"
#include "qt/CapsuleBadge.h"
#include "qt/PlainTextLabel.h"
#include "viewkit/Sparkline.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace lumra {

// Sets the text only when it differs (no relayout for an unchanged text).
void setTextIfChanged(QLabel* label, const QString& text);

// A symbol image (by system-symbol name) at a font size, in a colour.
QLabel* makeSymbolLabel(const QString& symbolName, double pointSize, const QColor& color,
                        QWidget* parent = nullptr);

// A capsule chip on `controlFill` (padding 8 x 3, caption font).
CapsuleBadge* makeChip(const QString& text, QWidget* parent = nullptr);

// The health or quality badge: bold caption text in the tint on the tint at
// 0.2, padding 10 x 4.
CapsuleBadge* makeBadge(const BadgeModel& model, QWidget* parent = nullptr);
void applyBadge(CapsuleBadge* badge, const BadgeModel& model);

// A row of the width of its parent drawing a sparkline of normalised samples.
class InlineSparklineView final : public QWidget {
public:
    explicit InlineSparklineView(QWidget* parent = nullptr);

    void setSeries(std::vector<double> samples, std::optional<ChartDomain> yDomain,
                   const QColor& strokeColor);
    const std::vector<double>& plottedValues() const { return m_values; }
    // Draws into rect (a test can aim it at an image).
    void draw(QPainter& painter, const QRectF& rect) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> m_samples;
    std::optional<ChartDomain> m_domain;
    std::vector<double> m_values;
    QColor m_stroke;
};

// Title left, value right.
class MetricRow final : public QWidget {
public:
    MetricRow(const QString& title, const QString& value, QWidget* parent = nullptr);
    void setValue(const QString& value);
    QLabel* titleLabel() const { return m_title; }
    QLabel* valueLabel() const { return m_value; }

private:
    QLabel* m_title;
    QLabel* m_value;
};

// Title (82 wide), value (64 wide, right-aligned) and a 164 x 20 sparkline.
class MetricTrendRow final : public QWidget {
public:
    explicit MetricTrendRow(const MetricRowModel& model, QWidget* parent = nullptr);
    void apply(const MetricRowModel& model);
    QLabel* titleLabel() const { return m_title; }
    QLabel* valueLabel() const { return m_value; }
    InlineSparklineView* sparkline() const { return m_sparkline; }

private:
    void fitValue();

    QLabel* m_title;
    QLabel* m_value;
    QString m_valueText;
    InlineSparklineView* m_sparkline;
};

// A metric row of a model: a trend row when it has samples, else a plain one.
QWidget* makeMetricRow(const MetricRowModel& model, QWidget* parent = nullptr);
void applyMetricRow(QWidget* row, const MetricRowModel& model);

// A round 22 x 22 button with a symbol on `controlFill`.
class HeaderIconButton final : public QAbstractButton {
public:
    HeaderIconButton(const QString& symbolName, const QString& accessibilityLabel,
                     const QString& help, std::function<void()> action, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {22, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
};

// "Back" with a chevron, plain; calls action.
class BackButton final : public QAbstractButton {
public:
    BackButton(const QString& accessibilityLabel, std::function<void()> action,
               QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A group box without background or border: an optional label in the
// section style above a vertical stack (spacing 8, 4 above).
class PlainGroupBox final : public QWidget {
public:
    explicit PlainGroupBox(const QString& label, QWidget* parent = nullptr);
    QVBoxLayout* contentLayout() const { return m_content; }

private:
    QVBoxLayout* m_content;
};

// A rule over the full width, 1 high.
class SectionDivider final : public QWidget {
public:
    explicit SectionDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A dot in the accent colour beside a wrapping caption, on a rounded card.
class InlineMessageRow final : public QWidget {
public:
    InlineMessageRow(const InlineMessageModel& model, QWidget* parent = nullptr);
    void apply(const InlineMessageModel& model);
    QLabel* textLabel() const { return m_text; }
    QColor accentColor() const { return m_accent; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_dot;
    QLabel* m_text;
    QColor m_accent;
};

// The connection dot, the network name and the band chip with its info
// button, whose popover shows the channel details.
class WiFiNetworkHeaderRow final : public QWidget {
public:
    explicit WiFiNetworkHeaderRow(QWidget* parent = nullptr);
    ~WiFiNetworkHeaderRow() override;
    void apply(const WiFiHeaderModel& model);

    bool isChannelInfoPopoverPresented() const;
    void setChannelInfoPopoverPresented(bool presented);

    QLabel* nameLabel() const { return m_name; }
    QWidget* dot() const { return m_dot; }
    QWidget* bandChip() const { return m_chip; }
    QLabel* bandLabel() const { return m_band; }
    QAbstractButton* infoButton() const { return m_info; }
    // The open popover, or null.
    QWidget* channelPopover() const { return m_popover; }

private:
    QWidget* m_dot;
    QLabel* m_name;
    QWidget* m_chip;
    QLabel* m_band;
    QAbstractButton* m_info;
    QString m_channelDetails;
    QPointer<QWidget> m_popover;
};

} // namespace lumra

namespace lumra {

// A push button of the panel: bordered (or prominent, in the accent
// colour), small control size.
QPushButton* makePanelButton(const QString& text, bool prominent = false,
                             QWidget* parent = nullptr);

} // namespace lumra
