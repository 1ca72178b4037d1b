#include "app/PopoverWindow.h"

#include "qt/Palette.h"
#include "qt/WindowShape.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace lumra {

namespace {

constexpr int gapToItem = 4;

QRect movedInside(QRect frame, const QRect& available) {
    if (available.isEmpty())
        return frame;
    frame.moveLeft(std::clamp(frame.left(), available.left(),
                              std::max(available.left(), available.right() - frame.width() + 1)));
    frame.moveTop(std::clamp(frame.top(), available.top(),
                             std::max(available.top(), available.bottom() - frame.height() + 1)));
    return frame;
}

QRect availableGeometryAt(QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace

QRect popoverFrame(const std::optional<QRect>& itemGeometry, QPoint activationPoint, QSize size,
                   const QRect& available) {
    QRect frame(QPoint(0, 0), size);
    if (itemGeometry && !itemGeometry->isEmpty()) {
        const QRect item = *itemGeometry;
        const bool itemInLowerHalf =
            !available.isEmpty() && item.center().y() > available.center().y();
        frame.moveLeft(item.center().x() - size.width() / 2);
        frame.moveTop(itemInLowerHalf ? item.top() - gapToItem - size.height()
                                      : item.bottom() + 1 + gapToItem);
    } else {
        frame.moveLeft(activationPoint.x() - size.width() / 2);
        frame.moveTop(activationPoint.y() + gapToItem);
    }
    return movedInside(frame, available);
}

PopoverWindow::PopoverWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Lumra"));
    // Translucent where the desktop composites: only the rounded panel shows.
    setAttribute(Qt::WA_TranslucentBackground, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedSize(width, m_contentHeight);
}

void PopoverWindow::setContent(QWidget* content) {
    m_content = content;
    layout()->addWidget(content);
}

void PopoverWindow::setContentHeight(int height) {
    m_contentHeight = height;
    setFixedSize(width, height);
    applyRoundedWindowShape(this, cornerRadius);
}

void PopoverWindow::showRelativeTo(const std::optional<QRect>& itemGeometry,
                                   QPoint activationPoint) {
    const QPoint anchor =
        itemGeometry && !itemGeometry->isEmpty() ? itemGeometry->center() : activationPoint;
    setGeometry(popoverFrame(itemGeometry, activationPoint, size(), availableGeometryAt(anchor)));
    // Without a compositor the window server cuts the corners instead.
    applyRoundedWindowShape(this, cornerRadius);
    show();
    raise();
    activateWindow();
}

void PopoverWindow::performClose() {
    if (!isVisible())
        return;
    hide();
    if (m_onDidClose)
        m_onDidClose();
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        performClose();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::paintEvent(QPaintEvent* event) {
    // The panel's own content paints over this; it shows only around it,
    // inside the rounded shape.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedShape(painter, event->region(), rect(), cornerRadius, 0,
                     paletteColor(0.11, 0.12, 0.15));
}

} // namespace lumra
