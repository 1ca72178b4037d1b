// Helpers of the widget tests: PNGs of views for review under the build
// directory's screens/, and running queued calls.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lumra::test {

// Whether a screen shows a cross-fade that is still running as it is or
// at its end (what a person sees once it has settled).
enum class Motion { settled, asItIs };

// Grabs widget (laid out at its current size) into screens/<name>.png and
// returns the file's path.
QString saveScreen(QWidget* widget, const QString& name, Motion motion = Motion::settled);
// Gives control keyboard focus (as Tab would) in its shown, active window,
// saves the window as saveScreen does, and takes the focus away again.
// Returns whether the control had the focus.
bool saveScreenWithFocus(QWidget* window, QWidget* control, const QString& name);
// Runs the Qt events already posted (queued calls, deferred deletes) a few
// rounds, without waiting for anything.
void processQueuedEvents();
// The labels under root that hold text and would read it as markup (not
// Qt::PlainText): their object names, or their texts when unnamed.
QStringList labelsReadingMarkup(const QWidget* root);

} // namespace lumra::test
