// Content that scrolls where its window is smaller than it: thin scroll bars
// that show only while there is something to scroll, and the focused
// control kept in view. Main thread.
#pragma once

#include <QColor>
#include <QString>

class QScrollArea;

namespace lumra {

// Thin rounded handles of colour, no arrow buttons, no track.
QString thinScrollBarStyle(const QColor& handle);

// Scroll bars along orientations shown while the content is larger than
// the area (the others off), drawn thin with handle.
void showScrollBarsWhenNeeded(QScrollArea* scroll, Qt::Orientations orientations,
                              const QColor& handle);

// Scrolls the area whenever keyboard focus moves to a control inside it
// that is not wholly in view (Tab, a click, an assistive tool), and when the
// area shrinks with the focused control in it.
void scrollToFocus(QScrollArea* scroll);

} // namespace lumra
