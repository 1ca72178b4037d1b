#include "app/QtStatusItem.h"

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

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
                         // do not tell the icon's place still show it there. The
                         // second press of a quick pair arrives as a double click:
                         // each press toggles, as a single click does.
                         const bool click = reason == QSystemTrayIcon::Trigger ||
                                            reason == QSystemTrayIcon::DoubleClick;
                         if (click && m_actions.onTrigger)
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

bool QtStatusItem::isItemWidget(const QWidget* widget) const {
    // The XEmbed icon is a widget of Qt's own, embedded in the tray.
    return widget != nullptr &&
           qstrcmp(widget->window()->metaObject()->className(), "QSystemTrayIconSys") == 0;
}

} // namespace lumra
