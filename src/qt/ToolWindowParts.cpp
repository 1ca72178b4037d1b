#include "qt/ToolWindowParts.h"

#include "qt/KitFonts.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/SymbolLabel.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace lumra {

KitButtonStyle windowActionButtonStyle() {
    return KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                          .cornerRadius = 8,
                          .fill = WindowPalette::buttonFill(),
                          .pressedFill = paletteWhite(0.14),
                          .border = WindowPalette::border(),
                          .font = kitFont(12, QFont::DemiBold),
                          .textColor = WindowPalette::primaryText(),
                          .padding = QMargins(12, 7, 12, 7)};
}

ToolWindowHeader makeToolWindowHeader(const QString& symbolName, const QString& title,
                                      const QString& subtitle, int minimumSpacerWidth) {
    namespace Colors = WindowPalette;
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(5);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    titleLine->addWidget(makeSymbolImage(symbolName, 15, Colors::secondaryText()));
    titleLine->addWidget(makeTextLabel(title, kitFont(23), Colors::primaryText()));
    titles->addLayout(titleLine);
    titles->addWidget(makeTextLabel(subtitle, kitFont(12), Colors::secondaryText()));
    row->addLayout(titles);
    row->addStretch(1);
    if (minimumSpacerWidth > 0)
        row->addSpacing(minimumSpacerWidth);

    auto* button = new KitButton(windowActionButtonStyle(), QString(), header);
    button->setObjectName(QStringLiteral("headerButton"));
    row->addWidget(button, 0, Qt::AlignTop);
    return {header, titleLine, button};
}

QScrollArea* makeToolWindowScrollArea(QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes to the page's controls, never to the invisible scroller.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

QVBoxLayout* makeEmptyStateTexts(const QString& title, const QString& description) {
    namespace Colors = WindowPalette;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    for (auto* label :
         {makeTextLabel(title, kitFont(14, QFont::DemiBold), Colors::primaryText()),
          makeTextLabel(description, kitFont(12, QFont::Medium), Colors::secondaryText())}) {
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
        texts->addWidget(label);
    }
    return texts;
}

void paintWindowBackground(QWidget* widget, const QColor& start, const QColor& end) {
    QPainter painter(widget);
    QLinearGradient gradient(QPointF(0, 0), QPointF(widget->width(), widget->height()));
    gradient.setColorAt(0.0, start);
    gradient.setColorAt(1.0, end);
    painter.fillRect(widget->rect(), gradient);
}

} // namespace lumra
