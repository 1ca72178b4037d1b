#include "windows/radar/RadarCanvasView.h"

#include "qt/CardFrame.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/SymbolRegistry.h"
#include "windows/radar/viewmodel/RadarCanvasGeometry.h"

#include <QFontMetricsF>
#include <QHideEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextLayout>
#include <cstring>

namespace lumra {

namespace {

constexpr double kPanelCornerRadius = 20;
constexpr double kCentreSymbolSize = 34;
constexpr double kCentreSpacing = 6;
// The sweep's opacity at its leading edge's far end and at the far side of
// the disc, between which its gradient runs.
constexpr double kSweepNearOpacity = 0.28;
constexpr double kSweepFarOpacity = 0.03;

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

// Built once: a frame that draws the centre asks for both.
const QFont& numberFont() {
    static const QFont font = kitFont(32, QFont::Bold);
    return font;
}
const QFont& verdictFont() {
    static const QFont font = kitFont(12, QFont::DemiBold);
    return font;
}

// Measured once: building font metrics every frame shows in a profile.
double numberHeight() {
    static const double height = QFontMetricsF(numberFont()).height();
    return height;
}
double verdictHeight() {
    static const double height = QFontMetricsF(verdictFont()).height();
    return height;
}

} // namespace

RadarCanvasView::RadarCanvasView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

RadarCanvasView::~RadarCanvasView() = default;

RadarCanvasView::CentredLine::CentredLine() = default;
RadarCanvasView::CentredLine::~CentredLine() = default;

void RadarCanvasView::CentredLine::draw(QPainter& painter, const QRectF& rect, const QString& text,
                                        const QRegion& dirty) {
    if (text.isEmpty())
        return;
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 0;
    if (!m_layout || text != m_text || painter.font() != m_font || dpi != m_dpi) {
        m_text = text;
        m_font = painter.font();
        m_dpi = dpi;
        m_layout = std::make_unique<QTextLayout>(text, m_font, painter.device());
        m_layout->setCacheEnabled(true);
        m_layout->beginLayout();
        // One line that never wraps, as drawText without word wrap.
        m_layout->createLine().setLineWidth(0x01000000);
        m_layout->endLayout();
    }
    const QTextLine line = m_layout->lineAt(0);
    const double height = line.ascent() + line.descent();
    const QPointF position(rect.x() + (rect.width() - line.horizontalAdvance()) / 2,
                           rect.y() + (rect.height() - height) / 2);
    // Most sweep frames pass beside the line. A few pixels spare for
    // glyphs that reach past their advance.
    const QRectF bounds(position, QSizeF(line.horizontalAdvance(), height));
    if (dirty.intersects(bounds.adjusted(-4, -4, 4, 4).toAlignedRect()))
        line.draw(&painter, position);
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
    // Only the wedge moves: the rest of the canvas stays as it is. The
    // previous frame's region is usually still at hand.
    const QRegion was =
        m_sweepRegion && m_sweepRegion->degrees == previous && m_sweepRegion->size == size()
            ? m_sweepRegion->region
            : sweepRegion(previous);
    m_sweepRegion = SweepRegion{degrees, size(), sweepRegion(degrees)};
    update(was + m_sweepRegion->region + m_faceDamage);
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
    const double stackHeight =
        kCentreSymbolSize + kCentreSpacing + numberHeight() + kCentreSpacing + verdictHeight();
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

namespace {

// Copies from into to, which keeps its buffer when the sizes match.
void copyPixels(const QImage& from, QImage& to) {
    if (to.size() != from.size() || to.format() != from.format() ||
        to.bytesPerLine() != from.bytesPerLine()) {
        to = from.copy();
    } else {
        std::memcpy(to.bits(), from.constBits(), static_cast<std::size_t>(from.sizeInBytes()));
    }
    to.setDevicePixelRatio(from.devicePixelRatio());
}

} // namespace

const QImage& RadarCanvasView::staticLayers() {
    const double ratio = devicePixelRatioF();
    const QSize parentSize = parentWidget() ? parentWidget()->size() : QSize();
    const bool sameSize = !m_untintedLayers.isNull() && m_layersGeometry == geometry() &&
                          m_layersParentSize == parentSize &&
                          m_untintedLayers.devicePixelRatio() == ratio;
    if (sameSize && !m_staticLayers.isNull() && m_staticLayersTint == m_face.tint)
        return m_staticLayers;
    if (!sameSize) {
        m_untintedLayers = paintUntintedLayers(ratio);
        m_layersGeometry = geometry();
        m_layersParentSize = parentSize;
    }
    // A new score colour strokes only the ring again.
    copyPixels(m_untintedLayers, m_staticLayers);
    paintOuterRing(m_staticLayers);
    m_staticLayersTint = m_face.tint;
    m_sweepFrameWedge.reset();
    return m_staticLayers;
}

QImage RadarCanvasView::paintUntintedLayers(double ratio) const {
    QImage layers(size() * ratio, QImage::Format_RGB32);
    layers.setDevicePixelRatio(ratio);
    layers.fill(Qt::black);
    QPainter painter(&layers);
    // The window's own background under the panel: the canvas paints
    // opaquely, so a frame repaints nothing behind it.
    if (parentWidget())
        parentWidget()->render(&painter, QPoint(0, 0), QRegion(geometry()),
                               QWidget::DrawWindowBackground);
    painter.setRenderHint(QPainter::Antialiasing);

    paintCard(painter, QRectF(rect()),
              CardStyle{.fill = withOpacity(WindowPalette::radarPanelFill(), 0.6),
                        .border = WindowPalette::border(),
                        .cornerRadius = kPanelCornerRadius});

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
    return layers;
}

void RadarCanvasView::paintOuterRing(QImage& layers) const {
    // Above the clipped layers. Stroking it is the dearest part of a frame,
    // so it is drawn here and the sweep stops at its inner edge instead of
    // passing beneath it.
    QPainter painter(&layers);
    painter.setRenderHint(QPainter::Antialiasing);
    const RadarRect square = radarSquare(width(), height());
    const double diameter = square.width;
    const QPointF centre = QRectF(square.x, square.y, diameter, diameter).center();
    painter.setPen(QPen(withOpacity(statusColor(m_face.tint), 0.9), kRadarOuterRingWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, diameter / 2, diameter / 2);
}

RadarSweepPaint RadarCanvasView::sweepPaint(double ratio) const {
    const RadarRect square = radarSquare(width(), height());
    const double radius = square.width / 2;
    const double underRing = std::max(0.0, radius - kRadarOuterRingWidth / 2);
    const RadarWedge wedge =
        radarSweepWedge(RadarRect{-underRing, -underRing, 2 * underRing, 2 * underRing});
    return RadarSweepPaint{
        .centre = {(square.x + radius) * ratio, (square.y + radius) * ratio},
        .radius = wedge.radius * ratio,
        .gradientRadius = radius * ratio,
        .leadingDegrees = m_sweepAngle + wedge.endAngleDegrees,
        .widthDegrees = wedge.endAngleDegrees - wedge.startAngleDegrees,
        .rgb = statusColor(m_face.tint).rgb() & 0xffffffu,
        .nearOpacity = kSweepNearOpacity,
        .farOpacity = kSweepFarOpacity,
    };
}

const QImage& RadarCanvasView::sweepFrame(const QImage& layers) {
    const RadarSweepPaint wedge = sweepPaint(layers.devicePixelRatio());
    if (m_sweepFrameWedge == wedge && m_sweepFrame.size() == layers.size())
        return m_sweepFrame;
    const int width = layers.width();
    const RadarPixelRect whole{0, 0, width, layers.height()};
    if (!m_sweepFrameWedge || m_sweepFrame.size() != layers.size() ||
        m_sweepFrame.bytesPerLine() != layers.bytesPerLine()) {
        copyPixels(layers, m_sweepFrame);
    } else {
        // The new wedge's runs are blended from the layers below; of the old
        // wedge only what lies outside them needs the layers back.
        const RadarSweepRows oldRows(*m_sweepFrameWedge);
        const RadarSweepRows newRows(wedge);
        const RadarPixelRect old = intersected(oldRows.bounds(), whole);
        for (int y = old.y; y < old.y + old.height; ++y) {
            const RadarPixelRun was = oldRows.run(y);
            const RadarPixelRun is = newRows.run(y);
            const auto restore = [&](int first, int last) {
                first = std::max(first, 0);
                last = std::min(last, width - 1);
                if (first <= last)
                    std::memcpy(m_sweepFrame.scanLine(y) + first * 4,
                                layers.constScanLine(y) + first * 4,
                                static_cast<std::size_t>(last - first + 1) * 4);
            };
            if (is.first > is.last) {
                restore(was.first, was.last);
            } else {
                restore(was.first, std::min(was.last, is.first - 1));
                restore(std::max(was.first, is.last + 1), was.last);
            }
        }
    }
    blendRadarSweep(wedge, reinterpret_cast<const std::uint32_t*>(layers.constBits()),
                    reinterpret_cast<std::uint32_t*>(m_sweepFrame.bits()),
                    m_sweepFrame.bytesPerLine() / 4, whole);
    m_sweepFrameWedge = wedge;
    return m_sweepFrame;
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
    // Background, panel, disc, rings, cross hair and outer ring change only
    // with the geometry and the score's colour; the sweep is blended into a
    // copy of them.
    const QImage& frame = sweepFrame(staticLayers());
    const double ratio = frame.devicePixelRatio();
    // Rectangle by rectangle: a rectangular clip lets the raster engine copy
    // rows instead of blending spans.
    for (const QRect& dirty : event->region()) {
        painter.setClipRect(dirty);
        painter.drawImage(dirty, frame,
                          QRectF(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio,
                                 dirty.height() * ratio));
    }
    painter.setClipping(false);

    // Centre: symbol, number, verdict; most sweep frames leave it alone.
    if (!event->region().intersects(centreStackRect().toAlignedRect()))
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const RadarRect square = radarSquare(width(), height());
    const double diameter = square.width;
    const double centreX = square.x + diameter / 2;
    const QRectF symbolRect = centreSymbolRect();
    if (event->region().intersects(symbolRect.toAlignedRect())) {
        const QPixmap symbol = centreSymbol(statusColor(m_face.tint));
        if (!symbol.isNull())
            painter.drawPixmap(symbolRect.topLeft(), symbol);
    }
    double top = symbolRect.bottom() + kCentreSpacing;
    const double textWidth = std::max(1.0, diameter);
    painter.setFont(numberFont());
    painter.setPen(WindowPalette::primaryText());
    m_numberLine.draw(painter, QRectF(centreX - textWidth / 2, top, textWidth, numberHeight()),
                      m_face.scoreText, event->region());
    top += numberHeight() + kCentreSpacing;
    painter.setFont(verdictFont());
    painter.setPen(WindowPalette::secondaryText());
    m_verdictLine.draw(painter, QRectF(centreX - textWidth / 2, top, textWidth, verdictHeight()),
                       m_face.verdict, event->region());
}

void RadarCanvasView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Closed, not minimised: the next showing draws the layers afresh.
    if (event->spontaneous())
        return;
    m_untintedLayers = QImage();
    m_staticLayers = QImage();
    m_sweepFrame = QImage();
    m_sweepFrameWedge.reset();
    m_symbols.clear();
}

} // namespace lumra
