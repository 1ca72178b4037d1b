// An alert with a title, a plain-text message and one button that never
// runs a nested event loop: it is opened window-modal with open(), never
// exec() (a nested loop would run main-actor work inside the caller), and
// deletes itself when dismissed in any way. Main thread.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace lumra {

// Shows the alert over parent and returns at once; onDismiss runs once, when
// the alert is closed by its button, Escape or its window's close.
QMessageBox* showNonBlockingAlert(QWidget* parent, const QString& title, const QString& message,
                                  const QString& buttonText, std::function<void()> onDismiss = {});

} // namespace lumra
