#include "windows/radar/RadarCanvasView.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/SymbolRegistry.h"
#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace lumra {

namespace {

constexpr double kPanelCornerRadius = 20;
constexpr double kCentreSymbolSize = 34;
constexpr double kCentreSpacing = 6;

const QColor& discInner() {
    static const QColor color = paletteColor(0.06, 0.12, 0.09);
    return color;
}

const QColor& discOuter() {
    static const QColor color = paletteColor(0.03, 0.05, 0.07);
    return color;
}

QPointF toQt(const RadarPoint& point) {
    return {point.x, point.y};
}

QFont numberFont() {
    return kitFont(32, QFont::Bold);
}
QFont verdictFont() {
    return kitFont(12, QFont::DemiBold);
}

} // namespace

RadarCanvasView::RadarCanvasView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RadarCanvasView::setFace(const Face& face) {
    if (face == m_face)
        return;
    const bool recoloured = face.tint != m_face.tint;
    m_face = face;
    setAccessibleName(m_face.scoreText + QLatin1Char(' ') + m_face.verdict);
    if (!m_animated)
        update();
    else if (recoloured)
        m_faceDamage = rect();
    else
        m_faceDamage += centreStackRect().toAlignedRect();
}

void RadarCanvasView::setAnimated(bool animated) {
    m_animated = animated;
    if (!m_animated && !m_faceDamage.isEmpty()) {
        m_faceDamage = QRegion();
        update();
    }
}

void RadarCanvasView::setSweepAngle(double degrees) {
    const double previous = m_sweepAngle;
    m_sweepAngle = degrees;
    if (!m_animated) {
        update();
        return;
    }
    // Only the wedge moves: the rest of the canvas stays as it is.
    update(sweepRegion(previous) + sweepRegion(degrees) + m_faceDamage);
    m_faceDamage = QRegion();
}

QRegion RadarCanvasView::sweepRegion(double degrees) const {
    const RadarRect square = radarSquare(width(), height());
    const double radius = square.width / 2;
    // Two pixels for the antialiased edges.
    QRegion region;
    for (const RadarRect& r : radarSectorCover({square.x + radius, square.y + radius}, radius,
                                               degrees - kRadarSweepDegrees, degrees, 2))
        region += QRectF(r.x, r.y, r.width, r.height).toAlignedRect();
    return region;
}

double RadarCanvasView::centreStackTop() const {
    // Measured once: building font metrics every frame shows in a profile.
    static const double stackHeight = kCentreSymbolSize + kCentreSpacing +
                                      QFontMetricsF(numberFont()).height() + kCentreSpacing +
                                      QFontMetricsF(verdictFont()).height();
    return height() / 2.0 - stackHeight / 2;
}

QRectF RadarCanvasView::centreStackRect() const {
    const double diameter = radarSquare(width(), height()).width;
    const double top = centreStackTop();
    return QRectF(width() / 2.0 - diameter / 2, top, diameter, height() - 2 * top);
}

QRectF RadarCanvasView::centreSymbolRect() const {
    return QRectF(width() / 2.0 - kCentreSymbolSize / 2, centreStackTop(), kCentreSymbolSize,
                  kCentreSymbolSize);
}

QPixmap RadarCanvasView::staticLayers() {
    const double ratio = devicePixelRatioF();
    const QSize parentSize = parentWidget() ? parentWidget()->size() : QSize();
    if (!m_staticLayers.isNull() && m_staticLayersGeometry == geometry() &&
        m_staticLayersParentSize == parentSize && m_staticLayersTint == m_face.tint &&
        m_staticLayers.devicePixelRatio() == ratio)
        return m_staticLayers;
    QPixmap layers(size() * ratio);
    layers.setDevicePixelRatio(ratio);
    layers.fill(Qt::black);
    QPainter painter(&layers);
    // The window's own background under the panel: the canvas paints
    // opaquely, so a frame repaints nothing behind it.
    if (parentWidget())
        parentWidget()->render(&painter, QPoint(0, 0), QRegion(geometry()),
                               QWidget::DrawWindowBackground);
    painter.setRenderHint(QPainter::Antialiasing);

    // The panel.
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kPanelCornerRadius,
                         kPanelCornerRadius);
    painter.fillPath(panel, withOpacity(WindowPalette::radarPanelFill(), 0.6));
    painter.setPen(QPen(WindowPalette::border(), 1));
    painter.drawPath(panel);

    const RadarRect square = radarSquare(width(), height());
    const double diameter = square.width;
    const QRectF squareRect(square.x, square.y, diameter, diameter);
    const QPointF centre = squareRect.center();
    QPainterPath circle;
    circle.addEllipse(squareRect);
    painter.setClipPath(circle);

    // Disc.
    const RadarDiscGradient disc = radarDiscGradient(diameter);
    QRadialGradient discGradient(centre, disc.outerRadius);
    discGradient.setColorAt(std::min(1.0, disc.innerRadius / disc.outerRadius), discInner());
    discGradient.setColorAt(1, discOuter());
    painter.fillRect(squareRect, discGradient);

    // Rings.
    painter.setPen(QPen(withOpacity(statusColor(StatusColor::mint), 0.16), 1));
    painter.setBrush(Qt::NoBrush);
    for (const double ring : radarRingDiameters(diameter))
        painter.drawEllipse(centre, ring / 2, ring / 2);

    // Cross hair.
    QPainterPath cross;
    for (const RadarLine& line : radarCrossHair(diameter)) {
        cross.moveTo(squareRect.topLeft() + toQt(line.from));
        cross.lineTo(squareRect.topLeft() + toQt(line.to));
    }
    painter.setPen(QPen(withOpacity(statusColor(StatusColor::mint), 0.12), 1));
    painter.drawPath(cross);

    // The outer ring, above the clipped layers. Stroking it is the dearest
    // part of a frame, so it is drawn here and the sweep stops at its inner
    // edge instead of passing beneath it.
    painter.setClipping(false);
    painter.setPen(QPen(withOpacity(statusColor(m_face.tint), 0.9), kRadarOuterRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, diameter / 2, diameter / 2);
    painter.end();
    m_staticLayers = layers;
    m_staticLayersGeometry = geometry();
    m_staticLayersParentSize = parentSize;
    m_staticLayersTint = m_face.tint;
    return m_staticLayers;
}

QPixmap RadarCanvasView::centreSymbol(const QColor& colour) {
    const double ratio = devicePixelRatioF();
    for (const CentreSymbol& kept : m_symbols) {
        if (kept.name == m_face.symbolName && kept.colour == colour &&
            kept.pixmap.devicePixelRatio() == ratio)
            return kept.pixmap;
    }
    // A score that wavers between two colours draws each symbol once.
    if (m_symbols.size() >= kKeptSymbols)
        m_symbols.erase(m_symbols.begin());
    m_symbols.push_back(
        {m_face.symbolName, colour,
         symbolPixmap(m_face.symbolName, QSizeF(kCentreSymbolSize, kCentreSymbolSize), colour,
                      ratio)});
    return m_symbols.back().pixmap;
}

void RadarCanvasView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QColor& score = statusColor(m_face.tint);
    // Background, panel, disc, rings, cross hair and outer ring change only
    // with the geometry and the score's colour.
    // Rectangle by rectangle: a rectangular clip lets the raster engine copy
    // rows instead of blending spans.
    const QPixmap layers = staticLayers();
    const double ratio = layers.devicePixelRatio();
    for (const QRect& dirty : event->region()) {
        painter.setClipRect(dirty);
        painter.drawPixmap(dirty, layers,
                           QRectF(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio,
                                  dirty.height() * ratio));
    }
    painter.setClipping(false);
    painter.setRenderHint(QPainter::Antialiasing);

    const RadarRect square = radarSquare(width(), height());
    const double diameter = square.width;
    const double radius = diameter / 2;
    const QPointF centre(square.x + radius, square.y + radius);

    painter.save();
    // Sweep, laid out around the centre, then turned.
    painter.translate(centre);
    painter.rotate(m_sweepAngle);
    const double underRing = std::max(0.0, radius - kRadarOuterRingWidth / 2);
    const RadarWedge wedge =
        radarSweepWedge(RadarRect{-underRing, -underRing, 2 * underRing, 2 * underRing});
    QPainterPath sweep;
    sweep.moveTo(toQt(wedge.centre));
    // Qt counts angles counter-clockwise on screen: the opposite sign.
    sweep.arcTo(QRectF(-wedge.radius, -wedge.radius, 2 * wedge.radius, 2 * wedge.radius),
                -wedge.startAngleDegrees, -(wedge.endAngleDegrees - wedge.startAngleDegrees));
    sweep.closeSubpath();
    QLinearGradient sweepGradient(QPointF(radius, 0), QPointF(-radius, 0));
    sweepGradient.setColorAt(0, withOpacity(score, 0.28));
    sweepGradient.setColorAt(1, withOpacity(score, 0.03));
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.fillPath(sweep, sweepGradient);
    painter.restore();

    // Centre: symbol, number, verdict; most sweep frames leave it alone.
    if (!event->region().intersects(centreStackRect().toAlignedRect()))
        return;
    const QFontMetricsF numberMetrics(numberFont());
    const QFontMetricsF verdictMetrics(verdictFont());
    const QRectF symbolRect = centreSymbolRect();
    const QPixmap symbol = centreSymbol(score);
    if (!symbol.isNull())
        painter.drawPixmap(symbolRect.topLeft(), symbol);
    double top = symbolRect.bottom() + kCentreSpacing;
    const double textWidth = std::max(1.0, diameter);
    painter.setFont(numberFont());
    painter.setPen(WindowPalette::primaryText());
    painter.drawText(QRectF(centre.x() - textWidth / 2, top, textWidth, numberMetrics.height()),
                     Qt::AlignCenter, m_face.scoreText);
    top += numberMetrics.height() + kCentreSpacing;
    painter.setFont(verdictFont());
    painter.setPen(WindowPalette::secondaryText());
    painter.drawText(QRectF(centre.x() - textWidth / 2, top, textWidth, verdictMetrics.height()),
                     Qt::AlignCenter, m_face.verdict);
}

} // namespace lumra
