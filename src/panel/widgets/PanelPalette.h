// The popover's colours and fonts, and the bridge from the Qt-free tint roles
// to Qt (the kit's header brings the locale's number separators). Main thread.
#pragma once

#include "panel/viewmodel/MetricFormat.h"
#include "panel/viewmodel/PanelTexts.h"
#include "qt/LocaleNumberFormat.h"

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QString>

namespace lumra::PanelPalette {

const QColor& primaryText();
const QColor& secondaryText();
const QColor& tertiaryText();
const QColor& backgroundStart();
const QColor& backgroundEnd();
const QColor& border();
const QColor& cardFill();
const QColor& controlFill();
// Toolbox rows and settings cards.
const QColor& rowFill();
// The divider under the settings tabs and between connection rows.
const QColor& rule();

QFont headerFont();
QFont labelFont();
QFont sectionFont();
QFont rowTitleFont();
QFont rowValueFont();
QFont captionFont();
// The system font at a size and weight the views name directly.
QFont systemFont(double size, QFont::Weight weight);

} // namespace lumra::PanelPalette

namespace lumra {

const QColor& tintColor(TintRole role);

inline QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace lumra
