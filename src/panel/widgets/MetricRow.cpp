#include "panel/widgets/MetricRow.h"

#include "panel/widgets/AccessibleTexts.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"

#include <QHBoxLayout>

namespace lumra {

namespace PP = PanelPalette;

MetricRow::MetricRow(const QString& title, const QString& value, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_title = makeTextLabel(title, PP::rowTitleFont(), PP::secondaryText(), this);
    QFont valueFont = PP::rowValueFont();
    valueFont.setStyleHint(QFont::TypeWriter);
    m_value = makeTextLabel(value, valueFont, PP::primaryText(), this);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_title);
    layout->addStretch(1);
    layout->addWidget(m_value);
    setAccessibleName(title);
    m_value->setAccessibleName(title);
    m_value->setAccessibleDescription(value);
}

void MetricRow::setValue(const QString& value) {
    setTextIfChanged(m_value, value);
    setAccessibleDescriptionIfChanged(m_value, value);
}

} // namespace lumra
