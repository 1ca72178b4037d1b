// Pieces every tool window draws: the background gradient, the header with
// its action button, the page scroller and the empty state's texts. Main
// thread.
#pragma once

#include "qt/KitButton.h"

#include <QColor>
#include <QScrollArea>
#include <QString>
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

namespace lumra {

// Fills the widget with the windows' diagonal gradient, top-leading to
// bottom-trailing.
void paintWindowBackground(QWidget* widget, const QColor& start, const QColor& end);

// The windows' action button: a label (or a symbol and a label) on a
// rounded rectangle filled white at 0.08 with a 1-point outline.
KitButtonStyle windowActionButtonStyle();

// A window's header: the symbol and title line over the subtitle on the
// leading side, the action button at the top of the trailing side. The
// caller adds what else the title line holds, then its stretch.
struct ToolWindowHeader {
    QWidget* widget;
    QHBoxLayout* titleLine;
    KitButton* button;
};
ToolWindowHeader makeToolWindowHeader(const QString& symbolName, const QString& title,
                                      const QString& subtitle, int minimumSpacerWidth = 0);

// The window's page scroller: frameless, transparent, no scroll bars.
QScrollArea* makeToolWindowScrollArea(QWidget* parent);

// The empty state's title over its description, centred and wrapping.
QVBoxLayout* makeEmptyStateTexts(const QString& title, const QString& description);

} // namespace lumra
