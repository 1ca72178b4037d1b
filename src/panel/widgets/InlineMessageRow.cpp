#include "panel/widgets/InlineMessageRow.h"

#include "panel/widgets/AccessibleTexts.h"
#include "panel/widgets/WrappedTextLabel.h"
#include "qt/Dot.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace lumra {

namespace PP = PanelPalette;

InlineMessageRow::InlineMessageRow(const InlineMessageModel& model, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(8);
    auto* dotColumn = new QVBoxLayout;
    dotColumn->setContentsMargins(0, 4, 0, 0);
    m_dot = new Dot(6, statusColor(model.accent), this);
    dotColumn->addWidget(m_dot);
    dotColumn->addStretch(1);
    layout->addLayout(dotColumn);
    m_text = makeWrappedTextLabel(QString(), PP::captionFont(), PP::secondaryText(), this);
    m_text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout->addWidget(m_text, 1, Qt::AlignTop);
    apply(model);
}

void InlineMessageRow::apply(const InlineMessageModel& model) {
    // A portal's address may be long and without spaces.
    setTextIfChanged(m_text, breakableAnywhere(qText(model.text)));
    m_accent = statusColor(model.accent);
    static_cast<Dot*>(m_dot)->setColor(m_accent);
    setAccessibleNameIfChanged(this, qText(model.text));
}

void InlineMessageRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PP::cardFill());
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

} // namespace lumra
