// Pieces the Channel Scan and Speed Test windows both draw: the background
// gradient, the action button, the linear progress bar, a capsule holding a
// row of labels, and plain-text labels in the kit's fonts. Main thread.
#pragma once

#include "qt/LocaleNumberFormat.h"
#include "qt/PlainTextLabel.h"
#include "qt/SymbolLabel.h"
#include "viewkit/MetricFormat.h"
#include "windows/channelscan/viewmodel/ChannelScanWindowModel.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

namespace lumra {

// Fills rect with the windows' diagonal gradient, top-leading to bottom-trailing.
void paintWindowBackground(QWidget* widget, const QColor& start, const QColor& end);

// The windows' one button: a label on a rounded rectangle filled white at
// 0.08 with a 1-point outline; never disabled.
class ToolWindowActionButton final : public QAbstractButton {
public:
    ToolWindowActionButton(const QColor& textColor, const QColor& border,
                           QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_textColor;
    QColor m_border;
};

// A window's header: the symbol and title line over the subtitle on the
// leading side, the action button at the top of the trailing side. The
// caller adds what else the title line holds, then its stretch.
struct ToolWindowHeader {
    QWidget* widget;
    QHBoxLayout* titleLine;
    ToolWindowActionButton* button;
};
ToolWindowHeader makeToolWindowHeader(const QString& symbolName, const QString& title,
                                      const QString& subtitle, int minimumSpacerWidth = 0);

// The window's page scroller: frameless, transparent, no scroll bars.
QScrollArea* makeToolWindowScrollArea(QWidget* parent);

// The empty state's title over its description, centred and wrapping.
QVBoxLayout* makeEmptyStateTexts(const QString& title, const QString& description);

// A linear determinate progress bar in the accent colour, without label.
class LinearProgressBar final : public QWidget {
public:
    explicit LinearProgressBar(QWidget* parent = nullptr);
    void setProgress(double value, double total);
    double fraction() const { return m_fraction; }
    QSize sizeHint() const override { return {200, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction = 0.0;
};

// A capsule (or rounded rectangle) filled with one colour around a row of widgets.
class FilledRow final : public QWidget {
public:
    FilledRow(const QColor& fill, QMargins padding, int spacing, double cornerRadius = -1.0,
              QWidget* parent = nullptr);
    QHBoxLayout* rowLayout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    // Negative: half the height (a capsule).
    double m_cornerRadius;
    QHBoxLayout* m_layout;
};

// One line of text that shrinks down to minimumScale of its font when its
// width is short, then elides.
class FittingLabel final : public QLabel {
public:
    FittingLabel(const QFont& font, const QColor& color, double minimumScale,
                 QWidget* parent = nullptr);
    QSize minimumSizeHint() const override;
    // The font size the text is drawn at now, in pixels.
    double drawnPixelSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont fittedFont() const;
    double m_minimumScale;
};

// A channel's congestion: a track 10 high with a bar on its leading edge,
// at least 2 wide, red, orange or green at 0.82.
class CongestionBar final : public QWidget {
public:
    // fraction: 0...1 of the track.
    CongestionBar(double fraction, StatusColor tint, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_fraction;
    QColor m_color;
};

} // namespace lumra
