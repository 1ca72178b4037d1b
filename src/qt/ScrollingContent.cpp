#include "qt/ScrollingContent.h"

#include <QApplication>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace lumra {

namespace {

// Room kept around a control scrolled into view: its focus ring shows too.
constexpr int focusMargin = 8;

} // namespace

QString thinScrollBarStyle(const QColor& handle) {
    return QStringLiteral(
               "QScrollBar { background: transparent; border: none; }"
               "QScrollBar:vertical { width: 8px; } QScrollBar:horizontal { height: 8px; }"
               "QScrollBar::handle { background: rgba(%1, %2, %3, %4); border-radius: 4px; }"
               "QScrollBar::handle:vertical { min-height: 24px; }"
               "QScrollBar::handle:horizontal { min-width: 24px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
        .arg(handle.red())
        .arg(handle.green())
        .arg(handle.blue())
        .arg(handle.alpha());
}

void showScrollBarsWhenNeeded(QScrollArea* scroll, Qt::Orientations orientations,
                              const QColor& handle) {
    const QString style = thinScrollBarStyle(handle);
    const auto policy = [orientations](Qt::Orientation orientation) {
        return orientations.testFlag(orientation) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    };
    scroll->setHorizontalScrollBarPolicy(policy(Qt::Horizontal));
    scroll->setVerticalScrollBarPolicy(policy(Qt::Vertical));
    scroll->horizontalScrollBar()->setStyleSheet(style);
    scroll->verticalScrollBar()->setStyleSheet(style);
}

namespace {

void showIfInside(QScrollArea* scroll, QWidget* focused) {
    QWidget* content = scroll->widget();
    if (focused != nullptr && content != nullptr && content->isAncestorOf(focused))
        scroll->ensureWidgetVisible(focused, focusMargin, focusMargin);
}

// A smaller view (the window cut to a smaller screen) keeps the focused
// control in it.
class FocusKeeper final : public QObject {
public:
    explicit FocusKeeper(QScrollArea* scroll)
        : QObject(scroll), m_scroll(scroll), m_viewport(scroll->viewport()) {
        m_viewport->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Compared with the viewport kept at the start, never asked of the
        // scroll area: its children's last events come while it is being
        // destroyed, when it is no scroll area any more. Queued: the bars
        // take their new ranges after the viewport's resize.
        if (event->type() == QEvent::Resize && watched == m_viewport) {
            QMetaObject::invokeMethod(
                this, [this] { showIfInside(m_scroll, m_scroll->window()->focusWidget()); },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QScrollArea* m_scroll;
    QWidget* m_viewport;
};

} // namespace

void scrollToFocus(QScrollArea* scroll) {
    QObject::connect(qApp, &QApplication::focusChanged, scroll,
                     [scroll](QWidget*, QWidget* now) { showIfInside(scroll, now); });
    new FocusKeeper(scroll);
}

} // namespace lumra
