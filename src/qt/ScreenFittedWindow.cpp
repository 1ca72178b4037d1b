#include "qt/ScreenFittedWindow.h"

#include "qt/Palette.h"
#include "qt/ScrollingContent.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>

namespace lumra {

QRect availableArea(const QScreen& screen) {
    const QRect area = screen.availableGeometry();
    const qreal ratio = screen.devicePixelRatio();
    // At a fractional scale the far edges are rounded to whole logical
    // pixels and may lie past the screen's last device pixel.
    if (ratio != std::floor(ratio))
        return area.adjusted(0, 0, -1, -1);
    return area;
}

QList<QRect> availableScreenAreas() {
    QList<QRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas << availableArea(*screen);
    return areas;
}

QScreen* screenHolding(const QRect& frame) {
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = availableArea(*screen).intersected(frame);
        const qint64 size = qint64(overlap.width()) * qint64(overlap.height());
        if (size > bestArea) {
            best = screen;
            bestArea = size;
        }
    }
    return best != nullptr ? best : QGuiApplication::primaryScreen();
}

QRect availableAreaFor(const QRect& frame) {
    QScreen* screen = screenHolding(frame);
    return screen != nullptr ? availableArea(*screen) : QRect();
}

ScreenFittedWindow::ScreenFittedWindow(QWidget* view, const WindowDesign& design,
                                       std::optional<ScrollBarColors> scrollBarColors)
    : QWidget(nullptr, Qt::Window), m_design(design), m_view(view) {
    if (scrollBarColors)
        m_gutter = scrollBarColors->gutter;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes to the view's controls, never to the scroller.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    // The window's own background shows where the view paints none, as
    // when the view filled the window.
    m_scroll->viewport()->setAutoFillBackground(false);
    const bool viewFills = m_view->autoFillBackground();
    m_view->setMinimumSize(
        m_view->minimumSize().expandedTo(QSize(design.minimum.width, design.minimum.height)));
    m_scroll->setWidget(m_view);
    m_view->setAutoFillBackground(viewFills);
    showScrollBarsWhenNeeded(m_scroll, Qt::Horizontal | Qt::Vertical,
                             scrollBarColors
                                 ? scrollBarColors->handle
                                 : withOpacity(palette().color(QPalette::WindowText), 0.35));
    scrollToFocus(m_scroll);
    layout->addWidget(m_scroll);
    const WindowSizeLimits limits = windowSizeLimits(design, ScreenRect{});
    setMinimumSize(limits.minimum.width, limits.minimum.height);
    if (limits.maximum)
        setMaximumSize(limits.maximum->width, limits.maximum->height);
    resize(design.size.width, design.size.height);
}

void ScreenFittedWindow::fitInto(const QRect& available) {
    const ScreenRect area = toScreenRect(available);
    const WindowSizeLimits limits = windowSizeLimits(m_design, area);
    const QRect before = geometry();
    setMinimumSize(limits.minimum.width, limits.minimum.height);
    setMaximumSize(limits.maximum ? QSize(limits.maximum->width, limits.maximum->height)
                                  : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    if (area.isEmpty())
        return;
    // A window that fits stays where it is; one larger than the area is
    // shrunk and moved into it.
    const ScreenSize limit = windowSizeLimit(area);
    if (before.width() <= limit.width && before.height() <= limit.height)
        return;
    setGeometry(toQRect(fittedWindowFrame(toScreenRect(before), m_design, area)));
}

void ScreenFittedWindow::setFrame(const QRect& frame) {
    fitInto(availableAreaFor(frame));
    setGeometry(frame);
}

void ScreenFittedWindow::fitIntoItsScreen(Refit refit) {
    QScreen* screen = screenHolding(geometry());
    if (screen == m_screen && refit == Refit::whenScreenChanged)
        return;
    if (screen != m_screen) {
        QObject::disconnect(m_screenAreaChange);
        if (screen != nullptr)
            m_screenAreaChange = connect(screen, &QScreen::availableGeometryChanged, this,
                                         [this] { fitIntoItsScreen(Refit::always); });
        m_screen = screen;
    }
    fitInto(screen != nullptr ? availableArea(*screen) : QRect());
}

void ScreenFittedWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // The screens may have changed while it was hidden.
    fitIntoItsScreen(Refit::always);
    // The scroll bars show or hide in a queued call after each layout: the
    // first frame shows them as they will be, not as the unsized area had them.
    QCoreApplication::sendPostedEvents(m_scroll, QEvent::MetaCall);
}

void ScreenFittedWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Moved onto another screen: that screen's limits.
    if (isVisible())
        fitIntoItsScreen(Refit::whenScreenChanged);
}

void ScreenFittedWindow::paintEvent(QPaintEvent* event) {
    if (!m_gutter)
        return QWidget::paintEvent(event);
    // The view paints over all of it but the scroll bars' strips.
    QPainter(this).fillRect(rect(), *m_gutter);
}

} // namespace lumra
