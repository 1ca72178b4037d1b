// The radar panel: a rounded panel holding a round radar screen with rings,
// a cross hair, a sweep wedge turned to the given angle, an outer ring in the
// score colour, and the score's symbol, number and verdict in the centre.
// Main thread.
#pragma once

#include "windows/radar/viewmodel/LinkQualityScore.h"

#include <QColor>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <vector>

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

private:
    // The top of the centre stack (symbol, number, verdict).
    double centreStackTop() const;
    QRectF centreStackRect() const;
    // What the sweep at that angle covers, for a partial repaint.
    QRegion sweepRegion(double degrees) const;
    // What every frame repeats, drawn once per size or symbol.
    QPixmap staticLayers();
    QPixmap centreSymbol(const QColor& colour);

    Face m_face;
    double m_sweepAngle = -90;
    bool m_animated = false;
    // What the next frame repaints beyond the sweep: the centre stack for a
    // new number or verdict, everything for a new score colour.
    QRegion m_faceDamage;
    QPixmap m_staticLayers;
    QRect m_staticLayersGeometry;
    QSize m_staticLayersParentSize;
    StatusColor m_staticLayersTint = StatusColor::orange;
    struct CentreSymbol {
        QString name;
        QColor colour;
        QPixmap pixmap;
    };
    static constexpr std::size_t kKeptSymbols = 4;
    std::vector<CentreSymbol> m_symbols;
};

} // namespace lumra
