// One line of text that shrinks down to a minimum scale of its font when
// its width is short, then elides. Main thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

namespace lumra {

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

} // namespace lumra
