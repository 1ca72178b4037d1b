// The status item as a QSystemTrayIcon with a context menu holding
// "Settings…" and "Quit Lumra". Main thread.
#pragma once

#include "app/StatusItemHosting.h"

#include <QMenu>
#include <QSystemTrayIcon>

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

private:
    QMenu m_menu;
    QSystemTrayIcon m_trayIcon;
    StatusItemActions m_actions;
};

} // namespace lumra
