// The status item as a QSystemTrayIcon with a context menu holding
// "Settings…" and "Quit Lumra". Main thread.
#pragma once

#include "app/StatusItemHosting.h"

#include <QByteArray>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <vector>

namespace lumra {

class QtStatusItem final : public StatusItemHosting {
public:
    QtStatusItem();
    ~QtStatusItem() override;

    void setActions(StatusItemActions actions) override;
    void setImage(const QImage& image) override;
    void setAccessibilityText(const QString& text) override;
    void setToolTip(const QString& text) override;
    QRect geometry() const override;
    bool isItemWidget(const QWidget* widget) const override;
    bool isTrayThere() const override;
    // The icon the tray shows.
    QIcon icon() const { return m_trayIcon.icon(); }

private:
    QMenu m_menu;
    QSystemTrayIcon m_trayIcon;
    StatusItemActions m_actions;
    struct CachedIcon {
        QByteArray key;
        QIcon icon;
    };
    std::vector<CachedIcon> m_icons;
    QByteArray m_shownKey;
};

} // namespace lumra
