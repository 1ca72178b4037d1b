// What a view that is not built yet shows: its window's title and "Not
// available yet.". Main thread.
#pragma once

#include <QWidget>

namespace lumra {

// Fills view (which must have no layout yet) with the placeholder content.
void fillWithPlaceholder(QWidget* view, const QString& title);

} // namespace lumra
