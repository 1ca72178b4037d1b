// The kit's controls show keyboard focus: a ring in the accent colour along
// their edge while focused, none without focus.
#include "qt/FocusRing.h"

#include "qt/KitButton.h"
#include "qt/KitFonts.h"
#include "qt/LinkButton.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/ToggleSwitch.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace lumra {
namespace {

// How many pixels of the widget's one-pixel border are the ring's colour.
int ringPixels(QWidget* widget) {
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QColor ring = focusRingColor();
    int count = 0;
    const auto near = [&](const QColor& c) {
        return std::abs(c.red() - ring.red()) < 40 && std::abs(c.green() - ring.green()) < 40 &&
               std::abs(c.blue() - ring.blue()) < 40 && c.alpha() > 100;
    };
    const int y = image.height() / 2;
    for (int x : {1, image.width() - 2})
        count += near(image.pixelColor(x, y)) ? 1 : 0;
    const int x = image.width() / 2;
    for (int yy : {1, image.height() - 2})
        count += near(image.pixelColor(x, yy)) ? 1 : 0;
    return count;
}

TEST(FocusRingTest, EveryKitControlDrawsItWhileFocusedOnly) {
    QWidget window;
    // The palette's, not a style sheet's: a sheet would paint every child's
    // background, a row's content over its ring too.
    QPalette dark = window.palette();
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    window.setPalette(dark);
    window.setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(&window);
    auto* button = new KitButton(KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                                                .cornerRadius = 6,
                                                .fill = paletteWhite(0.08),
                                                .font = kitFont(12),
                                                .padding = QMargins(12, 7, 12, 7)},
                                 QStringLiteral("Retest"));
    auto* plain = new KitButton(KitButtonStyle{.font = kitFont(11)}, QStringLiteral("Back"));
    auto* round = new KitButton(KitButtonStyle{.shape = KitButtonStyle::Shape::circle,
                                               .fill = paletteWhite(0.12),
                                               .symbolName = QStringLiteral("gearshape"),
                                               .symbolSize = QSizeF(13, 13)});
    round->setFixedSize(22, 22);
    // A list row: a label on the shape.
    auto* row = new KitButton(KitButtonStyle{.shape = KitButtonStyle::Shape::rounded,
                                             .cornerRadius = 9,
                                             .fill = paletteWhite(0.05),
                                             .padding = QMargins(10, 8, 10, 8)});
    row->contentLayout()->addWidget(
        makeTextLabel(QStringLiteral("Speed Test"), kitFont(13), paletteWhite(0.9), row));
    auto* toggle = new ToggleSwitch;
    auto* link = new LinkButton(QStringLiteral("Open Settings"));
    const std::vector<QWidget*> controls{button, plain, round, row, toggle, link};
    for (QWidget* control : controls)
        layout->addWidget(control);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    for (QWidget* control : controls) {
        EXPECT_EQ(control->focusPolicy(), Qt::TabFocus) << control->metaObject()->className();
        window.setFocus();
        QApplication::processEvents();
        ASSERT_FALSE(control->hasFocus());
        // The link's own text is in the accent colour and may touch an edge.
        const int unfocused = ringPixels(control);
        EXPECT_LE(unfocused, control == link ? 1 : 0) << control->metaObject()->className();
        control->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_TRUE(control->hasFocus());
        EXPECT_EQ(ringPixels(control), 4) << control->metaObject()->className();
    }
}

} // namespace
} // namespace lumra
