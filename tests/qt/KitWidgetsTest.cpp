#include "concurrency/Published.h"
#include "qt/CapsuleBadge.h"
#include "qt/DeferredRefresh.h"
#include "qt/KeyValueRow.h"
#include "qt/KitButton.h"
#include "qt/KitFonts.h"
#include "qt/NonBlockingAlert.h"
#include "qt/Palette.h"
#include "qt/PlainTextLabel.h"
#include "qt/QtApplicationActivationNotifier.h"
#include "qt/Spinner.h"
#include "qt/ToggleSwitch.h"
#include "qt/WindowShape.h"
#include "tests/support/WidgetTesting.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace lumra {
namespace {

using test::processQueuedEvents;

class Counter final : public ObservableObject {
public:
    Published<int> value{0, this};
};

TEST(DeferredRefreshTest, ABurstOfChangesRedrawsOnceWithTheStoredValues) {
    QWidget view;
    Counter counter;
    std::vector<int> seen;
    auto* refresh = new DeferredRefresh(&view, [&] { seen.push_back(counter.value.get()); });
    refresh->observe(counter);
    counter.value.set(1);
    counter.value.set(2);
    counter.value.set(3);
    EXPECT_TRUE(seen.empty());
    processQueuedEvents();
    EXPECT_EQ(seen, std::vector<int>{3});
}

TEST(DeferredRefreshTest, WorkAlreadyQueuedJoinsTheBurst) {
    // A reading publishes, and a hop queued behind it publishes what it
    // derives from it: one redraw shows both.
    QWidget view;
    Counter counter;
    Counter derived;
    std::vector<std::pair<int, int>> seen;
    auto* refresh = new DeferredRefresh(
        &view, [&] { seen.emplace_back(counter.value.get(), derived.value.get()); });
    refresh->observe(counter);
    refresh->observe(derived);
    counter.value.set(1);
    QMetaObject::invokeMethod(
        &view, [&] { derived.value.set(10); }, Qt::QueuedConnection);
    processQueuedEvents();
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 10}}));
}

TEST(DeferredRefreshTest, ALocaleChangeOfTheViewRedrawsIt) {
    QWidget view;
    int refreshes = 0;
    new DeferredRefresh(&view, [&] { ++refreshes; });
    view.setLocale(QLocale(QLocale::German, QLocale::Germany));
    processQueuedEvents();
    EXPECT_EQ(refreshes, 1);
}

TEST(DeferredRefreshTest, NothingRunsAfterTheViewIsGone) {
    Counter counter;
    int refreshes = 0;
    {
        QWidget view;
        auto* refresh = new DeferredRefresh(&view, [&] { ++refreshes; });
        refresh->observe(counter);
        counter.value.set(1);
    }
    counter.value.set(2);
    processQueuedEvents();
    EXPECT_EQ(refreshes, 0);
}

TEST(NonBlockingAlertTest, ReturnsAtOnceShowsPlainTextAndReportsOneDismissal) {
    QWidget parent;
    parent.show();
    int dismissals = 0;
    QPointer<QMessageBox> alert = showNonBlockingAlert(&parent, QStringLiteral("Launch at Login"),
                                                       QStringLiteral("<b>bad</b>"),
                                                       QStringLiteral("OK"), [&] { ++dismissals; });
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->textFormat(), Qt::PlainText);
    EXPECT_EQ(alert->informativeText(), QStringLiteral("<b>bad</b>"));
    const auto labels = alert->findChildren<QLabel*>();
    bool literal = false;
    for (QLabel* label : labels)
        literal = literal || (label->text() == QStringLiteral("<b>bad</b>") &&
                              label->textFormat() == Qt::PlainText);
    EXPECT_TRUE(literal);
    auto buttons = alert->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.front()->text(), QStringLiteral("OK"));
    buttons.front()->click();
    processQueuedEvents();
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(alert);
}

TEST(KitWidgetsTest, ALongUnbrokenRunWrapsAnywhereAndNeverWidensItsLabel) {
    const QString token = QStringLiteral("http://10.213.0.1/login?session=") +
                          QStringLiteral("9f3c27ab").repeated(22);
    const QString message = QStringLiteral("Login may be required at ") + token + '.';
    const QString shown = breakableAnywhere(message);
    QString visible = shown;
    visible.remove(QChar(0x200B));
    EXPECT_EQ(visible, message);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Login may be required at h\u200Bt")));
    // Short runs, surrogate pairs and combining marks stay whole.
    for (const QString& kept :
         {QStringLiteral("Captive portal detected at http://portal.test/login."), QString(),
          QStringLiteral("  two  spaces ")})
        EXPECT_EQ(breakableAnywhere(kept), kept);
    const QString pairs = QString::fromUtf8("\U0001F600e\u0301").repeated(20);
    QString broken = breakableAnywhere(pairs);
    for (qsizetype i = 0; i + 1 < broken.size(); ++i) {
        if (broken[i + 1] == QChar(0x200B)) {
            EXPECT_FALSE(broken[i].isHighSurrogate()) << i;
        }
        if (broken[i] == QChar(0x200B)) {
            EXPECT_FALSE(broken[i + 1].isMark()) << i;
        }
    }

    QWidget box;
    box.setFixedWidth(300);
    QLabel* wrapped = makeTextLabel(shown, kitFont(11), Qt::white, &box, true);
    EXPECT_LE(wrapped->minimumSizeHint().width(), 300);
    EXPECT_GT(wrapped->heightForWidth(300), 3 * wrapped->fontMetrics().height());
    QLabel* unbroken = makeTextLabel(message, kitFont(11), Qt::white, &box, true);
    EXPECT_GT(unbroken->minimumSizeHint().width(), 300);
}

TEST(KitWidgetsTest, SwitchTogglesOnClickAndPaintsItsState) {
    ToggleSwitch toggle;
    toggle.resize(toggle.sizeHint());
    QImage off(toggle.size(), QImage::Format_ARGB32);
    off.fill(Qt::transparent);
    toggle.render(&off);
    toggle.click();
    EXPECT_TRUE(toggle.isChecked());
    QImage on(toggle.size(), QImage::Format_ARGB32);
    on.fill(Qt::transparent);
    toggle.render(&on);
    // The knob moved from the left to the right end.
    EXPECT_EQ(on.pixelColor(27, 11), QColor(Qt::white));
    EXPECT_NE(off.pixelColor(27, 11), QColor(Qt::white));
    EXPECT_EQ(off.pixelColor(10, 11), QColor(Qt::white));
}

TEST(KitWidgetsTest, KeyValueRowCutsLongValuesToTwoLinesButKeepsTheWholeValue) {
    KeyValueRowStyle style{kitFont(12, QFont::Medium), Qt::gray, kitFont(13, QFont::DemiBold),
                           Qt::black};
    const QString longValue = QString(QStringLiteral("word ")).repeated(80).trimmed();
    KeyValueRow row(QStringLiteral("Build ID"), longValue, style);
    row.resize(400, 60);
    row.show();
    processQueuedEvents();
    EXPECT_EQ(row.value(), longValue);
    const QString shown = row.valueLabel()->text();
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_EQ(row.keyLabel()->width(), 120);
    EXPECT_EQ(row.valueLabel()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(row.valueLabel()->textInteractionFlags() & Qt::TextSelectableByMouse);

    EXPECT_EQ(elidedToLines(QStringLiteral("short"), style.valueFont, 200, 2),
              QStringLiteral("short"));
}

TEST(KitWidgetsTest, TextCutToLinesNeverOutgrowsItsWidthWhateverItsLength) {
    const QFont font = kitFont(12);
    const QFontMetrics metrics(font);
    struct Row {
        QString text;
        int lines;
        bool ellipsis;
    };
    const std::vector<Row> rows{
        // A megabyte without a space: its first lines, cut.
        {QString(QLatin1Char('x')).repeated(1024 * 1024), 2, true},
        {QString(QLatin1Char('x')).repeated(1024 * 1024), 3, true},
        // A token wider than the line that fits in two: broken, nothing lost.
        {QStringLiteral("Notes: ") + QString(QLatin1Char('y')).repeated(35), 3, false},
    };
    for (const Row& row : rows) {
        const QString shown = elidedToLines(row.text, font, 200, row.lines);
        const QStringList lines = shown.split(QLatin1Char('\n'));
        EXPECT_LE(lines.size(), row.lines);
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), 200) << line.left(20).toStdString();
        EXPECT_EQ(shown.endsWith(QChar(0x2026)), row.ellipsis);
        if (!row.ellipsis) {
            EXPECT_EQ(QString(shown).remove(QLatin1Char('\n')), row.text);
        }
    }
}

TEST(KitWidgetsTest, CapsuleBadgeShowsMarkupLiterally) {
    CapsuleBadge badge(
        QStringLiteral("<i>Adaptive</i>"),
        CapsuleBadgeStyle{kitFont(11, QFont::Medium), Qt::black, paletteWhite(0.08)});
    EXPECT_EQ(badge.textFormat(), Qt::PlainText);
    EXPECT_EQ(badge.text(), QStringLiteral("<i>Adaptive</i>"));
}

TEST(KitWidgetsTest, SpinnerTurnsOnlyWhileShown) {
    QWidget window;
    auto* spinner = new Spinner(16, &window);
    EXPECT_FALSE(spinner->isSpinning());
    window.show();
    EXPECT_TRUE(spinner->isSpinning());
    spinner->hide();
    EXPECT_FALSE(spinner->isSpinning());
    EXPECT_EQ(spinner->size(), QSize(16, 16));
}

TEST(KitWidgetsTest, PaletteConstructorsClampTheirComponents) {
    EXPECT_EQ(paletteColor(0.07, 0.08, 0.11).rgb(), QColor::fromRgbF(0.07f, 0.08f, 0.11f).rgb());
    EXPECT_EQ(paletteColor(2, -1, 0.5).alphaF(), 1.0f);
    EXPECT_NEAR(paletteWhite(0.72).alphaF(), 0.72, 1e-3);
    EXPECT_EQ(paletteWhite(0.72).rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(statusColor(StatusColor::green), statusColor(StatusColor::green));
    EXPECT_NE(statusColor(StatusColor::red), statusColor(StatusColor::orange));
}

TEST(ApplicationActivationNotifierTest, RunsTheBlocksOnceEachTimeTheApplicationBecomesActive) {
    QtApplicationActivationNotifier notifier;
    int first = 0;
    int second = 0;
    notifier.addDidBecomeActiveObserver([&] { ++first; });
    const auto token = notifier.addDidBecomeActiveObserver([&] { ++second; });
    notifier.applicationStateChanged(Qt::ApplicationInactive);
    notifier.applicationStateChanged(Qt::ApplicationActive);
    notifier.applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    notifier.removeObserver(token);
    notifier.applicationStateChanged(Qt::ApplicationHidden);
    notifier.applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1);
}

TEST(WindowShapeTest, ARepaintInsideTheShapeFillsTheSamePixelsAsTheWholeOutline) {
    const QRect bounds(0, 0, 400, 650);
    QLinearGradient gradient(QPointF(0.5, 0.5), QPointF(399.5, 649.5));
    gradient.setColorAt(0, QColor(30, 34, 44));
    gradient.setColorAt(1, QColor(18, 20, 27));
    struct Case {
        const char* name;
        QRegion region;
        int edge;
        bool inside;
    };
    const std::vector<Case> cases{
        {"a value label", QRegion(300, 200, 64, 16), 1, true},
        {"two rows", QRegion(16, 100, 120, 20) + QRegion(200, 400, 180, 30), 1, true},
        {"a whole-width band", QRegion(0, 300, 400, 40), 0, true},
        {"the border's ring", QRegion(0, 300, 400, 40), 1, false},
        {"a corner", QRegion(2, 2, 30, 30), 1, false},
        {"just past the corner", QRegion(15, 1, 100, 10), 1, true},
        {"the bottom edge", QRegion(100, 640, 50, 10), 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(insideRoundedShape(c.region, bounds, 14, c.edge), c.inside) << c.name;
        for (const QBrush& brush : {QBrush(gradient), QBrush(QColor(28, 31, 38))}) {
            QImage whole(bounds.size(), QImage::Format_ARGB32_Premultiplied);
            QImage part(bounds.size(), QImage::Format_ARGB32_Premultiplied);
            whole.fill(Qt::transparent);
            part.fill(Qt::transparent);
            {
                QPainter painter(&whole);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setClipRegion(c.region);
                painter.fillPath(roundedShape(QRectF(bounds), 14), brush);
            }
            {
                QPainter painter(&part);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setClipRegion(c.region);
                fillRoundedShape(painter, c.region, bounds, 14, c.edge, brush);
            }
            EXPECT_EQ(part, whole) << c.name;
        }
    }
}

TEST(KitWidgetsTest, AButtonsContentSetsItsHeightForWidthAndPassesClicksToIt) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* button = new KitButton(KitButtonStyle{.padding = QMargins(10, 8, 10, 8)});
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    const QString words = QStringLiteral("latency jitter loss throughput ").repeated(4);
    QLabel* text = makeTextLabel(words, kitFont(12), paletteWhite(0.9), button, true);
    button->contentLayout()->addWidget(text);
    layout->addWidget(button);
    layout->addStretch(1);

    ASSERT_TRUE(button->hasHeightForWidth());
    EXPECT_EQ(button->heightForWidth(300), text->heightForWidth(280) + 16);
    EXPECT_GT(button->heightForWidth(120), button->heightForWidth(300));
    // A narrow column fits it: the text wraps instead of widening the row.
    EXPECT_LT(button->minimumSizeHint().width(), 120);

    window.resize(160, 400);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(button->height(), button->heightForWidth(160));
    EXPECT_EQ(text->geometry(), button->rect().marginsRemoved(QMargins(10, 8, 10, 8)));

    int clicks = 0;
    button->onClick([&] { ++clicks; });
    // Through the window, as a pointer would, onto the text.
    const QPoint onText = text->mapTo(&window, text->rect().center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onText);
    EXPECT_EQ(clicks, 1);
}

TEST(PlainTextLabelTest, ShowsMarkupLiterallyInItsColourAlsoInsideAButton) {
    QPushButton button;
    const QString hostile = QStringLiteral("<b>Cafe</b> &amp; <img src=\"x\">");
    QLabel* label = makeTextLabel(hostile, kitFont(12), paletteWhite(0.72), &button);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), hostile);
    EXPECT_EQ(label->foregroundRole(), QPalette::WindowText);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), paletteWhite(0.72));

    setLabelColor(label, statusColor(StatusColor::red));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), statusColor(StatusColor::red));
    EXPECT_EQ(label->palette().color(QPalette::Text), statusColor(StatusColor::red));
}

} // namespace
} // namespace lumra
