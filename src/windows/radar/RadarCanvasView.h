// The radar panel: a rounded panel holding a round radar screen with rings,
// a cross hair, a sweep wedge turned to the given angle, an outer ring in the
// score colour, and the score's symbol, number and verdict in the centre.
// Main thread.
#pragma once

#include "windows/radar/viewmodel/LinkQualityScore.h"
#include "windows/radar/viewmodel/RadarSweepRaster.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QTextLayout;

namespace lumra {

class RadarCanvasView final : public QWidget {
public:
    struct Face {
        StatusColor tint = StatusColor::orange;
        QString symbolName;
        QString scoreText;
        QString verdict;

        bool operator==(const Face&) const = default;
    };

    explicit RadarCanvasView(QWidget* parent = nullptr);
    ~RadarCanvasView() override;

    // While animated, a new face waits for the next frame, so data changes
    // add no frames of their own. Frames repaint where the sweep was and is,
    // and what the face changed.
    void setFace(const Face& face);
    void setAnimated(bool animated);
    const Face& face() const { return m_face; }
    // Degrees in drawing coordinates (clockwise on screen, -90 straight up).
    void setSweepAngle(double degrees);
    double sweepAngle() const { return m_sweepAngle; }
    // Where the centre symbol is drawn.
    QRectF centreSymbolRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // One line of text drawn as QPainter::drawText(rect, Qt::AlignCenter)
    // draws it, laid out once: shaping it again on every frame shows in a
    // profile. Drawn only when it meets the dirty region.
    class CentredLine {
    public:
        CentredLine();
        ~CentredLine();
        void draw(QPainter& painter, const QRectF& rect, const QString& text, const QRegion& dirty);

    private:
        QString m_text;
        QFont m_font;
        int m_dpi = 0;
        std::unique_ptr<QTextLayout> m_layout;
    };

    // The top of the centre stack (symbol, number, verdict).
    double centreStackTop() const;
    QRectF centreStackRect() const;
    // What the sweep at that angle covers, for a partial repaint.
    QRegion sweepRegion(double degrees) const;
    // What every frame repeats: drawn once per size, the outer ring once
    // per score colour.
    const QImage& staticLayers();
    QImage paintUntintedLayers(double ratio) const;
    void paintOuterRing(QImage& layers) const;
    // The cached layers with the sweep at its angle, in device pixels.
    const QImage& sweepFrame(const QImage& layers);
    RadarSweepPaint sweepPaint(double ratio) const;
    QPixmap centreSymbol(const QColor& colour);

    Face m_face;
    double m_sweepAngle = -90;
    bool m_animated = false;
    // What the next frame repaints beyond the sweep: the centre stack for a
    // new number or verdict, everything for a new score colour.
    QRegion m_faceDamage;
    struct SweepRegion {
        double degrees;
        QSize size;
        QRegion region;
    };
    std::optional<SweepRegion> m_sweepRegion;
    // Everything but the outer ring, and everything.
    QImage m_untintedLayers;
    QImage m_staticLayers;
    QRect m_layersGeometry;
    QSize m_layersParentSize;
    StatusColor m_staticLayersTint = StatusColor::orange;
    // The static layers with the wedge blended in, and which wedge: a new
    // angle restores only the old wedge's box from the layers.
    QImage m_sweepFrame;
    std::optional<RadarSweepPaint> m_sweepFrameWedge;
    CentredLine m_numberLine;
    CentredLine m_verdictLine;
    struct CentreSymbol {
        QString name;
        QColor colour;
        QPixmap pixmap;
    };
    static constexpr std::size_t kKeptSymbols = 4;
    std::vector<CentreSymbol> m_symbols;
};

} // namespace lumra
