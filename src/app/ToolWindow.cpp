#include "app/ToolWindow.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTimerEvent>
#include <QVBoxLayout>
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

// Room above a frame for the title bar the window manager adds (the frame is
// the window's client area).
constexpr int titleBarAllowance = 32;

// One axis of a frame within [areaStart, areaStart + areaLength): as long as
// the area allows, never below the window's minimum; a window longer than
// the area is centred on it.
std::pair<int, int> fittedSpan(int start, int length, int minimum, int maximum, int areaStart,
                               int areaLength) {
    length = std::clamp(std::min(length, areaLength), minimum, std::max(minimum, maximum));
    if (length > areaLength)
        return {areaStart - (length - areaLength) / 2, length};
    return {std::clamp(start, areaStart, areaStart + areaLength - length), length};
}

// The frame at topLeft with size, its size within the window's limits, moved
// and shrunk into the area with its title bar on it.
QRect fittedFrame(QPoint topLeft, QSize size, const ToolWindowSpec& spec, const QRect& area) {
    const QSize maximum =
        spec.maximumSize.value_or(QSize(frameCoordinateLimit, frameCoordinateLimit));
    const auto [x, width] = fittedSpan(topLeft.x(), size.width(), spec.minimumSize.width(),
                                       maximum.width(), area.x(), area.width());
    const int top = area.y() + titleBarAllowance;
    const int height = std::clamp(std::min(size.height(), area.height() - titleBarAllowance),
                                  spec.minimumSize.height(),
                                  std::max(spec.minimumSize.height(), maximum.height()));
    const int y = height > area.height() - titleBarAllowance
                      ? top
                      : std::clamp(topLeft.y(), top, area.y() + area.height() - height);
    return QRect(x, y, width, height);
}

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

QRect restoredWindowFrame(const std::optional<QRect>& stored, const ToolWindowSpec& spec,
                          const QList<QRect>& screens, const QRect& centreScreen) {
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
            return fittedFrame(stored->topLeft(), stored->size(), spec, *best);
    }
    // The window's own size, its title bar on the screen.
    QRect frame(QPoint(0, 0), spec.contentSize);
    frame.moveCenter(centreScreen.center());
    frame.moveTop(std::max(frame.top(), centreScreen.top() + titleBarAllowance));
    return frame;
}

void addCloseShortcut(QWidget* window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
}

QRect centredWindowFrame(QSize size) {
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area = primary != nullptr ? primary->availableGeometry() : QRect(0, 0, 1280, 800);
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(area.center());
    frame.moveTop(std::max(frame.top(), area.top()));
    return frame;
}

ToolWindow::ToolWindow(const ToolWindowSpec& spec, QWidget* view,
                       std::shared_ptr<DefaultsStore> defaults)
    : QWidget(nullptr, Qt::Window), m_spec(spec), m_view(view), m_defaults(std::move(defaults)) {
    setWindowTitle(m_spec.title);
    addCloseShortcut(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setMinimumSize(m_spec.minimumSize);
    if (m_spec.maximumSize)
        setMaximumSize(*m_spec.maximumSize);

    std::optional<QRect> stored;
    if (auto text = m_defaults->stringForKey(m_spec.frameName))
        stored = parseWindowFrame(*text);
    QList<QRect> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect centreScreen =
        primary != nullptr ? primary->availableGeometry() : QRect(0, 0, 1280, 800);
    setGeometry(restoredWindowFrame(stored, m_spec, screens, centreScreen));
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
    QWidget::moveEvent(event);
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
