#include "app/ToolWindow.h"

#include "qt/Palette.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTimerEvent>
#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <utility>
#include <vector>

namespace lumra {

namespace {

// A pause after the last move or resize before the frame is written: a
// drag makes one write, not one per step.
constexpr int saveDelayMilliseconds = 400;

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Past any screen: a stored number beyond it is no frame, and QRect's
// x + width - 1 stays far from overflowing.
constexpr int frameCoordinateLimit = 1 << 20;

} // namespace

std::optional<QRect> parseWindowFrame(const std::string& text) {
    std::vector<int> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const auto number = parseInt(std::string_view(text).substr(start, end - start));
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        start = end + 1;
    }
    if (numbers.size() != 4 || numbers[2] <= 0 || numbers[3] <= 0)
        return std::nullopt;
    for (const int number : numbers) {
        if (number < -frameCoordinateLimit || number > frameCoordinateLimit)
            return std::nullopt;
    }
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

std::string windowFrameText(const QRect& frame) {
    return fmt::format("{} {} {} {}", frame.x(), frame.y(), frame.width(), frame.height());
}

WindowDesign windowDesign(const ToolWindowSpec& spec) {
    WindowDesign design{toScreenSize(spec.contentSize), toScreenSize(spec.minimumSize),
                        std::nullopt};
    if (spec.maximumSize)
        design.maximum = toScreenSize(*spec.maximumSize);
    return design;
}

QRect restoredWindowFrame(const std::optional<QRect>& stored, const ToolWindowSpec& spec,
                          const QList<QRect>& screens, const QRect& centreScreen) {
    const WindowDesign design = windowDesign(spec);
    if (stored) {
        // The screen holding most of it.
        const QRect* best = nullptr;
        qint64 bestArea = 0;
        for (const QRect& screen : screens) {
            const QRect overlap = screen.intersected(*stored);
            const qint64 area = qint64(overlap.width()) * qint64(overlap.height());
            if (area > bestArea) {
                best = &screen;
                bestArea = area;
            }
        }
        if (best != nullptr)
            return toQRect(fittedWindowFrame(toScreenRect(*stored), design, toScreenRect(*best)));
    }
    return toQRect(centredWindowFrame(design, toScreenRect(centreScreen)));
}

void addCloseShortcut(QWidget* window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
}

QRect centredWindowFrame(const WindowDesign& design) {
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area = primary != nullptr ? availableArea(*primary) : QRect(0, 0, 1280, 800);
    return toQRect(centredWindowFrame(design, toScreenRect(area)));
}

ToolWindow::ToolWindow(const ToolWindowSpec& spec, QWidget* view,
                       std::shared_ptr<DefaultsStore> defaults)
    : ScreenFittedWindow(view, windowDesign(spec),
                         ScrollBarColors{paletteWhite(0.25), WindowPalette::backgroundEnd()}),
      m_spec(spec), m_defaults(std::move(defaults)) {
    setWindowTitle(m_spec.title);
    addCloseShortcut(this);

    std::optional<QRect> stored;
    if (auto text = m_defaults->stringForKey(m_spec.frameName))
        stored = parseWindowFrame(*text);
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect centreScreen =
        primary != nullptr ? availableArea(*primary) : QRect(0, 0, 1280, 800);
    setFrame(restoredWindowFrame(stored, m_spec, availableScreenAreas(), centreScreen));
    m_restoring = false;
}

void ToolWindow::saveFrame() {
    m_saveTimer.stop();
    m_defaults->setString(m_spec.frameName, windowFrameText(geometry()));
}

void ToolWindow::frameChanged() {
    if (!m_restoring && isVisible())
        m_saveTimer.start(saveDelayMilliseconds, this);
}

void ToolWindow::moveEvent(QMoveEvent* event) {
    ScreenFittedWindow::moveEvent(event);
    frameChanged();
}

void ToolWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    frameChanged();
}

void ToolWindow::hideEvent(QHideEvent* event) {
    saveFrame();
    QWidget::hideEvent(event);
}

void ToolWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_saveTimer.timerId())
        return QWidget::timerEvent(event);
    saveFrame();
}

} // namespace lumra
