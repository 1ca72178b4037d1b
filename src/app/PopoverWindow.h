// The popover: a frameless tool window (not a Qt::Popup, which would swallow
// the click outside it) that hosts the popover content, 400 wide, placed
// below the status item, or at the activation point when the tray does not
// tell where the item is, inside the available area of that screen. It
// never closes by itself, except on Escape; the controller closes it. Main
// thread.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>

namespace lumra {

// Where the popover goes: centred under the item (or above it when the item
// sits in the lower half of the screen), else centred under the point;
// then moved inside available.
QRect popoverFrame(const std::optional<QRect>& itemGeometry, QPoint activationPoint, QSize size,
                   const QRect& available);

class PopoverWindow final : public QWidget {
public:
    static constexpr int width = 400;
    static constexpr int initialHeight = 650;
    // The panel's rounded corners.
    static constexpr double cornerRadius = 14.0;

    PopoverWindow();

    // Hosts content (owned from now on) filling the window.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    bool isShown() const { return isVisible(); }
    void showRelativeTo(const std::optional<QRect>& itemGeometry, QPoint activationPoint);
    // Hides the window; onDidClose runs when it was shown.
    void performClose();
    void setOnDidClose(std::function<void()> onDidClose) { m_onDidClose = std::move(onDidClose); }

    int contentHeight() const { return m_contentHeight; }
    void setContentHeight(int height);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_content = nullptr;
    int m_contentHeight = initialHeight;
    std::function<void()> m_onDidClose;
};

} // namespace lumra
