#include "app/PopoverWindow.h"

#include "qt/Palette.h"
#include "qt/ScreenFittedWindow.h"
#include "qt/WindowShape.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace lumra {

namespace {

QRect availableGeometryAt(QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? availableArea(*screen) : QRect();
}

} // namespace

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
    if (isVisible()) {
        place();
        return;
    }
    setFixedSize(width, height);
    applyRoundedWindowShape(this, cornerRadius);
}

void PopoverWindow::place() {
    const QPoint anchor = m_itemGeometry ? m_itemGeometry->center() : m_activationPoint;
    std::optional<ScreenRect> item;
    if (m_itemGeometry)
        item = toScreenRect(*m_itemGeometry);
    const QRect frame =
        toQRect(popoverFrame(item, {m_activationPoint.x(), m_activationPoint.y()},
                             {width, m_contentHeight}, toScreenRect(availableGeometryAt(anchor))));
    setFixedSize(frame.size());
    setGeometry(frame);
    // Without a compositor the window server cuts the corners instead.
    applyRoundedWindowShape(this, cornerRadius);
}

void PopoverWindow::showRelativeTo(const std::optional<QRect>& itemGeometry,
                                   QPoint activationPoint) {
    m_itemGeometry.reset();
    if (itemGeometry && !itemGeometry->isEmpty())
        m_itemGeometry = itemGeometry;
    m_activationPoint = activationPoint;
    place();
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
