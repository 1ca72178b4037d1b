#include "qt/PlaceholderView.h"

#include "qt/KitFonts.h"

#include <QLabel>
#include <QVBoxLayout>

namespace lumra {

void fillWithPlaceholder(QWidget* view, const QString& title) {
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(8);
    layout->addStretch(1);
    for (const auto& [text, size, weight] :
         {std::tuple{title, 20.0, QFont::DemiBold},
          std::tuple{QStringLiteral("Not available yet."), 13.0, QFont::Normal}}) {
        auto* label = new QLabel(view);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setFont(kitFont(size, weight));
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addStretch(1);
}

} // namespace lumra
