// Labels for text that may come from outside (network names, error
// sentences, versions): a default QLabel would read it as markup. Main thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

namespace lumra {

// A plain-text label in a font and colour; wraps when asked.
QLabel* makeTextLabel(const QString& text, const QFont& font, const QColor& color,
                      QWidget* parent = nullptr, bool wraps = false);

// The colour a label (also inside a button) or a text view draws its text in;
// an unchanged colour changes nothing.
void setLabelColor(QWidget* widget, const QColor& color);

// Text from outside for a wrapping label: within a run of more than 32
// characters without a space, a zero-width space after each character, so
// a long address or token wraps anywhere instead of widening the layout.
// Shorter runs and everything else are left as they are.
QString breakableAnywhere(const QString& text);

// Sets the text only when it differs (no relayout for an unchanged text).
void setTextIfChanged(QLabel* label, const QString& text);

} // namespace lumra
