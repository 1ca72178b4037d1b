// The popover: a frameless tool window (not a Qt::Popup, which would swallow
// the click outside it) that hosts the popover content, 400 wide, placed
// beside the panel holding the status item (below a top panel, above a
// bottom one), or at the activation point when the tray does not tell where
// the item is, inside the available area of that screen. Where that area
// is smaller than the content's height, the window is cut to the room left
// beside the panel and the content scrolls. It never closes by itself,
// except on Escape; the controller closes it. Main thread.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>

namespace lumra {

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

    // The height the content asks for; the window is shorter where the
    // screen has no room for it.
    int contentHeight() const { return m_contentHeight; }
    void setContentHeight(int height);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Places the window beside the item at the content's height, as far as
    // the room there allows.
    void place();

    QWidget* m_content = nullptr;
    std::optional<QRect> m_itemGeometry;
    QPoint m_activationPoint;
    int m_contentHeight = initialHeight;
    std::function<void()> m_onDidClose;
};

} // namespace lumra
