#include "panel/widgets/ChannelPopover.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

#include <QHideEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <utility>

namespace lumra {

namespace PP = PanelPalette;

ChannelPopover::ChannelPopover(const QString& text, std::function<void()> onHide, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      m_onHide(std::move(onHide)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8 + arrowHeight, 8, 8);
    m_label = makeTextLabel(text, PP::captionFont(), PP::primaryText(), this);
    layout->addWidget(m_label);
    setAccessibleName(text);
}

void ChannelPopover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(0.5, arrowHeight + 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(body, 8, 8);
    const double mid = body.center().x();
    QPainterPath arrow;
    arrow.moveTo(mid - arrowHeight, body.top());
    arrow.lineTo(mid, 0.5);
    arrow.lineTo(mid + arrowHeight, body.top());
    arrow.closeSubpath();
    path = path.united(arrow);
    painter.setPen(QPen(PP::border(), 1));
    painter.setBrush(PP::backgroundStart());
    painter.drawPath(path);
}
void ChannelPopover::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    if (auto onHide = std::exchange(m_onHide, {})) {
        onHide();
    }
    deleteLater();
}

} // namespace lumra
