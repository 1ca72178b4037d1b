#include "panel/widgets/InlineMessageRow.h"

#include "panel/widgets/AccessibleTexts.h"
#include "panel/widgets/WrappedTextLabel.h"
#include "qt/Dot.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

#include <QVBoxLayout>

namespace lumra {

namespace PP = PanelPalette;

InlineMessageRow::InlineMessageRow(const InlineMessageModel& model, QWidget* parent)
    : CardFrame(CardStyle{.fill = PP::cardFill(),
                          .cornerRadius = 10,
                          .spacing = 8,
                          .margins = QMargins(10, 8, 10, 8),
                          .orientation = Qt::Horizontal},
                parent) {
    QBoxLayout* layout = contentLayout();
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

} // namespace lumra
