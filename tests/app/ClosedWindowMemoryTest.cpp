#include "app/ClosedWindowMemory.h"

#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace lumra {
namespace {

class Painted final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(10, 200, 30)); }
};

void processEvents() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Closing gives the drawing buffer back; showing the window again paints all
// of it.
TEST(ClosedWindowMemoryTest, ClosingReleasesTheBufferAndShowingPaintsAFreshOne) {
    Painted window;
    window.resize(600, 400);
    releaseMemoryWhenClosed(&window);
    window.show();
    processEvents();
    ASSERT_EQ(window.backingStore()->size(), QSize(600, 400));

    window.close();
    processEvents();
    EXPECT_EQ(window.backingStore()->size(), QSize(1, 1));

    window.show();
    processEvents();
    EXPECT_EQ(window.backingStore()->size(), QSize(600, 400));
    const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
    ASSERT_EQ(shown.size(), QSize(600, 400));
    EXPECT_EQ(shown.pixelColor(599, 399), QColor(10, 200, 30));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(10, 200, 30));
}

} // namespace
} // namespace lumra
