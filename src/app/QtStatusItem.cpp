#include "app/QtStatusItem.h"

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace lumra {

QtStatusItem::QtStatusItem() {
    QObject::connect(m_menu.addAction(QStringLiteral("Settings\u2026")), &QAction::triggered,
                     &m_menu, [this] {
                         if (m_actions.onOpenSettings)
                             m_actions.onOpenSettings();
                     });
    m_menu.addSeparator();
    QObject::connect(m_menu.addAction(QStringLiteral("Quit Lumra")), &QAction::triggered, &m_menu,
                     [this] {
                         if (m_actions.onQuit)
                             m_actions.onQuit();
                     });
    m_trayIcon.setContextMenu(&m_menu);
    QObject::connect(&m_trayIcon, &QSystemTrayIcon::activated, &m_menu,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         // The pointer is where the click happened: hosts that
                         // do not tell the icon's place still show it there.
                         if (reason == QSystemTrayIcon::Trigger && m_actions.onTrigger)
                             m_actions.onTrigger(QCursor::pos());
                     });
}

QtStatusItem::~QtStatusItem() {
    m_trayIcon.hide();
    m_trayIcon.setContextMenu(nullptr);
}

void QtStatusItem::setActions(StatusItemActions actions) {
    m_actions = std::move(actions);
}

void QtStatusItem::setImage(const QImage& image) {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image));
    m_trayIcon.setIcon(icon);
    // Shown with its first image: an item without one has nothing to show.
    if (!m_trayIcon.isVisible())
        m_trayIcon.show();
}

void QtStatusItem::setAccessibilityText(const QString& text) {
    // The tray carries no accessible name of its own; the menu is the item's
    // one accessible object.
    m_menu.setAccessibleName(text);
}

void QtStatusItem::setToolTip(const QString& text) {
    m_trayIcon.setToolTip(text);
}

QRect QtStatusItem::geometry() const {
    return m_trayIcon.geometry();
}

} // namespace lumra
