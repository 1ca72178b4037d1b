// A top-level window that hosts one view at its designed size where the
// screen holds it, and is limited to the screen's available area where it
// does not: the view keeps its designed minimum and scrolls inside the
// window, with scroll bars shown while there is something to scroll and
// the focused control kept in view. The limits follow the window's screen
// each time it is shown, when it moves to another screen and when that
// screen's available area changes. Main thread.
#pragma once

#include "viewkit/ScreenFit.h"

#include <QColor>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <optional>

class QScrollArea;

namespace lumra {

inline ScreenRect toScreenRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}
inline QRect toQRect(const ScreenRect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}
inline ScreenSize toScreenSize(const QSize& size) {
    return {size.width(), size.height()};
}

// The screen's available area (its geometry less its panels), in whole
// logical pixels that all lie on the screen.
QRect availableArea(const QScreen& screen);
// The available areas of every screen.
QList<QRect> availableScreenAreas();
// The screen whose available area holds most of frame; the primary screen
// when none does (none without screens).
QScreen* screenHolding(const QRect& frame);
// That screen's available area (an empty rectangle without screens).
QRect availableAreaFor(const QRect& frame);

// How the scroll bars look: their handles, and what lies under them (none:
// the window's own background).
struct ScrollBarColors {
    QColor handle;
    std::optional<QColor> gutter;
};

class ScreenFittedWindow : public QWidget {
public:
    // Takes view (owned from now on). Without colours the handles are the
    // window's text colour, faint, over its background.
    ScreenFittedWindow(QWidget* view, const WindowDesign& design,
                       std::optional<ScrollBarColors> scrollBarColors = std::nullopt);

    QWidget* view() const { return m_view; }
    QScrollArea* scrollArea() const { return m_scroll; }

    // Sets frame (the client area) under the limits of the screen holding
    // it: a frame cut to a small screen is below the designed minimum.
    void setFrame(const QRect& frame);
    // Limits the window to available and moves and shrinks it into it when
    // it does not fit there (its title bar on it).
    void fitInto(const QRect& available);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Refit { always, whenScreenChanged };
    // Fits into the screen holding most of the window, and follows changes
    // of that screen's available area.
    void fitIntoItsScreen(Refit refit);

    const WindowDesign m_design;
    std::optional<QColor> m_gutter;
    QWidget* m_view;
    QScrollArea* m_scroll;
    // The screen it was last fitted into (gone when that screen is).
    QPointer<QScreen> m_screen;
    QMetaObject::Connection m_screenAreaChange;
};

} // namespace lumra
