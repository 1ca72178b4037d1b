// Accessible names and descriptions set only when they differ: with an
// assistive tool listening, each set sends it an event, and every poll
// applies mostly the same texts. Main thread.
#pragma once

#include <QString>
#include <QWidget>

namespace lumra {

inline void setAccessibleNameIfChanged(QWidget* widget, const QString& name) {
    if (widget->accessibleName() != name)
        widget->setAccessibleName(name);
}

inline void setAccessibleDescriptionIfChanged(QWidget* widget, const QString& description) {
    if (widget->accessibleDescription() != description)
        widget->setAccessibleDescription(description);
}

} // namespace lumra
