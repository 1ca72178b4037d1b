#include "qt/ScrollingContent.h"

#include <QApplication>
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

void scrollToFocus(QScrollArea* scroll) {
    QObject::connect(qApp, &QApplication::focusChanged, scroll, [scroll](QWidget*, QWidget* now) {
        QWidget* content = scroll->widget();
        if (now != nullptr && content != nullptr && content->isAncestorOf(now))
            scroll->ensureWidgetVisible(now, focusMargin, focusMargin);
    });
}

} // namespace lumra
