#include "panel/widgets/PlainGroupBox.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtText.h"

namespace lumra {

namespace PP = PanelPalette;

PlainGroupBox::PlainGroupBox(const QString& label, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!label.isEmpty()) {
        auto* title = makeTextLabel(label, PP::sectionFont(), PP::tertiaryText(), this);
        layout->addWidget(title);
        setAccessibleName(label);
    }
    m_content = new QVBoxLayout;
    m_content->setContentsMargins(0, 4, 0, 0);
    m_content->setSpacing(8);
    layout->addLayout(m_content);
}

} // namespace lumra
