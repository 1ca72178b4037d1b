#include "qt/NonBlockingAlert.h"

#include <QLabel>
#include <QPushButton>

namespace lumra {

QMessageBox* showNonBlockingAlert(QWidget* parent, const QString& title, const QString& message,
                                  const QString& buttonText, std::function<void()> onDismiss) {
    auto* alert = new QMessageBox(parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowTitle(title);
    alert->setTextFormat(Qt::PlainText);
    // The title leads, as the platform's alerts show it; the message is
    // data (an error sentence) and stays plain text.
    alert->setText(title);
    alert->setInformativeText(message);
    // The informative label renders markup by default; the message is data.
    auto* informative = alert->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (informative != nullptr) {
        informative->setTextFormat(Qt::PlainText);
    } else {
        alert->setInformativeText(QString());
        alert->setText(title + QStringLiteral("\n\n") + message);
    }
    alert->setIcon(QMessageBox::Warning);
    QPushButton* button = alert->addButton(buttonText, QMessageBox::RejectRole);
    alert->setDefaultButton(button);
    alert->setEscapeButton(button);
    QObject::connect(alert, &QDialog::finished, alert, [onDismiss = std::move(onDismiss)](int) {
        if (onDismiss)
            onDismiss();
    });
    alert->open();
    return alert;
}

} // namespace lumra
