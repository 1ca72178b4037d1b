// The status item in the desktop's tray, behind a seam: the real one is a
// QSystemTrayIcon (XEmbed or StatusNotifierItem, as the desktop offers);
// tests use a fake, since an offscreen platform has no tray. Main thread.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
class QWidget;

#include <functional>
#include <memory>

namespace lumra {

struct StatusItemActions {
    // A left click, with the point where it happened (global coordinates).
    std::function<void(QPoint)> onTrigger;
    // The context menu's "Settings…" and "Quit Lumra".
    std::function<void()> onOpenSettings;
    std::function<void()> onQuit;
};

class StatusItemHosting {
public:
    virtual ~StatusItemHosting() = default;

    virtual void setActions(StatusItemActions actions) = 0;
    virtual void setImage(const QImage& image) = 0;
    virtual void setAccessibilityText(const QString& text) = 0;
    virtual void setToolTip(const QString& text) = 0;
    // Where the item is on screen; empty when the tray does not tell
    // (StatusNotifierItem hosts).
    virtual QRect geometry() const = 0;
    // Whether widget is the item's own button (a press there is a click on
    // the item, left to the item's action).
    virtual bool isItemWidget(const QWidget* widget) const = 0;
    // Whether a tray is there to show the item now (an XEmbed tray or a
    // StatusNotifierItem host); the item shows itself once one starts.
    virtual bool isTrayThere() const = 0;
};

// Asks the desktop for a new status item (shown at once); the item goes away
// when the pointer is destroyed.
using StatusBar = std::function<std::unique_ptr<StatusItemHosting>()>;

} // namespace lumra
