#include "panel/widgets/MetricRow.h"

#include "panel/widgets/AccessibleTexts.h"
#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"

#include <QHBoxLayout>
#include <algorithm>

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
    fitValueSize();
}

void MetricRow::setValue(const QString& value) {
    if (m_value->text() != value) {
        m_value->setText(value);
        fitValueSize();
    }
    setAccessibleDescriptionIfChanged(m_value, value);
}

void MetricRow::fitValueSize() {
    // A label of a fixed size takes a new text without laying out the page
    // (a rotating value changes every poll). It keeps the widest width it
    // has needed while that still fits beside the title: the text is
    // right-aligned, so it shows where a label of its own width would.
    const QSize needed = m_value->sizeHint();
    const int available = width() - m_title->width() - layout()->spacing();
    const int kept = m_value->minimumWidth();
    const int width = kept >= needed.width() && kept <= std::max(available, needed.width())
                          ? kept
                          : needed.width();
    // An unchanged size sets nothing and lays out nothing.
    m_value->setFixedSize(width, needed.height());
}

} // namespace lumra
