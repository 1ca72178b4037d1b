#include "viewkit/ScreenFit.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace lumra {

static std::ostream& operator<<(std::ostream& out, const ScreenRect& r) {
    return out << r.x << "," << r.y << " " << r.width << "x" << r.height;
}

namespace {

bool contains(const ScreenRect& outer, const ScreenRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

bool overlap(const ScreenRect& a, const ScreenRect& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

// The screens: logical pixels, so 1024 x 600 at 150 % is 683 x 400 and a
// 28-pixel panel 19.
const ScreenRect bigTopPanel{0, 28, 1920, 1052};
const ScreenRect smallTopPanel{0, 28, 800, 572};
const ScreenRect smallNoStrut{0, 0, 800, 600};
const ScreenRect smallBottomPanel{0, 0, 800, 572};
const ScreenRect scaledSmallTopPanel{0, 19, 683, 381};
const ScreenRect scaledLaptopTopPanel{0, 19, 1280, 701};
const ScreenSize popover{400, 650};

TEST(ScreenFit, ThePopoverSitsBesideItsPanelCutToTheRoomLeft) {
    struct Row {
        const char* what;
        std::optional<ScreenRect> item;
        ScreenPoint point;
        ScreenRect available;
        ScreenRect expected;
    };
    const std::vector<Row> rows{
        {"big screen, top panel: the designed size under the icon",
         ScreenRect{1890, 2, 22, 24},
         {},
         bigTopPanel,
         {1520, 30, 400, 650}},
        {"big screen, bottom panel: above the icon",
         ScreenRect{1890, 1056, 22, 24},
         {},
         {0, 0, 1920, 1052},
         {1520, 402, 400, 650}},
        {"800 x 600, top panel: cut to the room below it",
         ScreenRect{777, 1, 22, 26},
         {},
         smallTopPanel,
         {400, 31, 400, 569}},
        {"800 x 600, a top panel that reserves no room: still below the icon",
         ScreenRect{777, 1, 22, 26},
         {},
         smallNoStrut,
         {400, 31, 400, 569}},
        {"800 x 600, bottom panel: cut to the room above it",
         ScreenRect{777, 574, 22, 24},
         {},
         smallBottomPanel,
         {400, 0, 400, 570}},
        {"800 x 600, a bottom panel that reserves no room: still above the icon",
         ScreenRect{777, 574, 22, 24},
         {},
         smallNoStrut,
         {400, 0, 400, 570}},
        {"1024 x 600 at 150 %",
         ScreenRect{664, 1, 15, 17},
         {},
         scaledSmallTopPanel,
         {283, 22, 400, 378}},
        {"1920 x 1080 at 150 %: the designed size fits",
         ScreenRect{1250, 1, 15, 17},
         {},
         scaledLaptopTopPanel,
         {880, 22, 400, 650}},
        {"no icon place, a click on a top panel",
         std::nullopt,
         {600, 10},
         {0, 24, 640, 456},
         {240, 24, 400, 456}},
        {"no icon place, a click on a bottom panel",
         std::nullopt,
         {300, 590},
         smallBottomPanel,
         {100, 0, 400, 572}},
        {"an empty icon place counts as none",
         ScreenRect{0, 0, 0, 0},
         {300, 590},
         smallBottomPanel,
         {100, 0, 400, 572}},
        {"left panel: right of it",
         ScreenRect{12, 300, 24, 24},
         {},
         {48, 0, 1232, 720},
         {48, 0, 400, 650}},
        {"right panel: left of it",
         ScreenRect{1244, 700, 24, 24},
         {},
         {0, 0, 1232, 720},
         {832, 70, 400, 650}},
        {"a screen narrower than the popover",
         ScreenRect{330, 0, 22, 22},
         {},
         {0, 0, 360, 640},
         {0, 26, 360, 614}},
        {"no area known: the designed size under the icon",
         ScreenRect{700, 0, 22, 22},
         {},
         ScreenRect{},
         {510, 26, 400, 650}},
    };
    for (const Row& row : rows) {
        const ScreenRect frame = popoverFrame(row.item, row.point, popover, row.available);
        EXPECT_EQ(frame, row.expected) << row.what;
        if (row.available.isEmpty())
            continue;
        EXPECT_TRUE(contains(row.available, frame)) << row.what << ": " << frame;
        if (row.item && !row.item->isEmpty()) {
            EXPECT_FALSE(overlap(frame, *row.item)) << row.what << ": " << frame;
        }
        EXPECT_LE(frame.height, popover.height) << row.what;
    }
}

const WindowDesign speedTest{{980, 680}, {860, 580}, std::nullopt};
const WindowDesign radar{{1080, 680}, {1080, 680}, ScreenSize{1080, 680}};
const WindowDesign settings{{760, 460}, {720, 440}, std::nullopt};

TEST(ScreenFit, WindowsKeepTheirDesignWhereItFitsAndShrinkToTheScreenWhereNot) {
    struct Row {
        const char* what;
        const WindowDesign& design;
        ScreenRect available;
        ScreenRect centred;
        WindowSizeLimits limits;
    };
    const std::vector<Row> rows{
        {"big screen: as designed",
         speedTest,
         bigTopPanel,
         {470, 214, 980, 680},
         {{860, 580}, std::nullopt}},
        {"big screen, fixed",
         radar,
         bigTopPanel,
         {420, 214, 1080, 680},
         {{1080, 680}, ScreenSize{1080, 680}}},
        {"800 x 600: the area below the title bar",
         speedTest,
         smallTopPanel,
         {0, 60, 800, 540},
         {{800, 540}, std::nullopt}},
        {"800 x 600, fixed: as large as the area",
         radar,
         smallTopPanel,
         {0, 60, 800, 540},
         {{800, 540}, ScreenSize{800, 540}}},
        {"800 x 600: a small window fits",
         settings,
         smallTopPanel,
         {20, 84, 760, 460},
         {{720, 440}, std::nullopt}},
        {"1024 x 600 at 150 %",
         speedTest,
         scaledSmallTopPanel,
         {0, 51, 683, 349},
         {{683, 349}, std::nullopt}},
        {"1024 x 600 at 150 %, settings",
         settings,
         scaledSmallTopPanel,
         {0, 51, 683, 349},
         {{683, 349}, std::nullopt}},
        {"1920 x 1080 at 150 %: the title bar fits too",
         speedTest,
         scaledLaptopTopPanel,
         {150, 51, 980, 669},
         {{860, 580}, std::nullopt}},
        {"1920 x 1080 at 150 %, fixed",
         radar,
         scaledLaptopTopPanel,
         {100, 51, 1080, 669},
         {{1080, 669}, ScreenSize{1080, 669}}},
        {"1920 x 1080 at 150 %, settings",
         settings,
         scaledLaptopTopPanel,
         {260, 140, 760, 460},
         {{720, 440}, std::nullopt}},
        {"tiny screen", settings, {0, 0, 320, 240}, {0, 32, 320, 208}, {{320, 208}, std::nullopt}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(centredWindowFrame(row.design, row.available), row.centred) << row.what;
        const WindowSizeLimits limits = windowSizeLimits(row.design, row.available);
        EXPECT_EQ(limits.minimum, row.limits.minimum) << row.what;
        EXPECT_EQ(limits.maximum, row.limits.maximum) << row.what;
    }
}

TEST(ScreenFit, AFrameIsShrunkAndMovedIntoTheAreaWithItsTitleBarOnIt) {
    struct Row {
        const char* what;
        const WindowDesign& design;
        ScreenRect frame;
        ScreenRect available;
        ScreenRect expected;
    };
    const ScreenRect laptop{0, 0, 1920, 1080};
    const std::vector<Row> rows{
        {"inside: as it was", speedTest, {100, 200, 900, 600}, laptop, {100, 200, 900, 600}},
        {"larger than the screen: the largest it takes",
         speedTest,
         {0, 0, 32767, 32767},
         laptop,
         {0, 32, 1920, 1048}},
        {"below the minimum: the minimum",
         speedTest,
         {10, 40, 100, 100},
         laptop,
         {10, 40, 860, 580}},
        {"title bar above the top: pulled down",
         speedTest,
         {50, -500, 900, 600},
         laptop,
         {50, 32, 900, 600}},
        {"off the right: moved in",
         speedTest,
         {1800, 300, 900, 600},
         laptop,
         {1020, 300, 900, 600}},
        {"the minimum yields to a small screen",
         speedTest,
         {-30, 50, 860, 580},
         smallTopPanel,
         {0, 60, 800, 540}},
        {"off the bottom of a small screen: moved up",
         settings,
         {20, 400, 760, 460},
         smallTopPanel,
         {20, 140, 760, 460}},
        {"fixed, wider than the screen: as large as the area",
         radar,
         {0, 0, 1080, 680},
         {0, 0, 1024, 768},
         {0, 32, 1024, 680}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fittedWindowFrame(row.frame, row.design, row.available), row.expected)
            << row.what;
}

} // namespace
} // namespace lumra
