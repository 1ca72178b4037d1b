// A tool window: a top-level window hosting one view, built once and kept;
// closing it only hides it. On a screen smaller than its design it is
// limited to the screen and its view scrolls. Its frame is saved in the
// defaults store under the window's frame name when a move or resize ends
// and when it hides, and restored onto a screen where it is visible the next
// time the application builds it (a frame on no screen, or none stored,
// centres it). Main thread.
#pragma once

#include "platform/defaults/DefaultsStore.h"
#include "qt/ScreenFittedWindow.h"

#include <QBasicTimer>
#include <memory>
#include <optional>
#include <string>

namespace lumra {

struct ToolWindowSpec {
    QString title;
    QSize contentSize;
    QSize minimumSize;
    // Fixed-size windows set a maximum equal to the minimum.
    std::optional<QSize> maximumSize;
    std::string frameName;
};

// "x y width height" as stored, or nothing for any other text (numbers
// beyond any screen included).
std::optional<QRect> parseWindowFrame(const std::string& text);
std::string windowFrameText(const QRect& frame);
// The window's designed sizes.
WindowDesign windowDesign(const ToolWindowSpec& spec);

// The stored frame when part of it lies on one of screens (the available
// areas), moved and shrunk into the one holding most of it with room for
// the title bar above, its size within the window's limits as far as that
// screen allows; otherwise the content size so limited, centred on
// centreScreen, its title bar on it.
QRect restoredWindowFrame(const std::optional<QRect>& stored, const ToolWindowSpec& spec,
                          const QList<QRect>& screens, const QRect& centreScreen);

// Ctrl+W closes window (closing hides a kept window).
void addCloseShortcut(QWidget* window);

// Where a window with no stored frame opens: centred on the primary screen's
// available area, as the tool windows are, no larger than it holds.
QRect centredWindowFrame(const WindowDesign& design);

class ToolWindow final : public ScreenFittedWindow {
public:
    // Takes view (owned from now on), sets the chrome and restores the frame.
    ToolWindow(const ToolWindowSpec& spec, QWidget* view, std::shared_ptr<DefaultsStore> defaults);

    const ToolWindowSpec& spec() const { return m_spec; }
    void saveFrame();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void frameChanged();

    ToolWindowSpec m_spec;
    std::shared_ptr<DefaultsStore> m_defaults;
    QBasicTimer m_saveTimer;
    bool m_restoring = true;
};

} // namespace lumra
