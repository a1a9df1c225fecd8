#include <gtest/gtest.h>

#include <climits>

#include "engine/ViewFit.h"

namespace {

TEST(FitScale, ShrinksOnlyWhatDoesNotFitAndKeepsTheAspect) {
    struct Case {
        int width, height, roomW, roomH;
        int shownW, shownH, percent;
    } cases[] = {
        {800, 600, 1000, 900, 800, 600, 100},    // fits: 1:1
        {1000, 900, 1000, 900, 1000, 900, 100},  // exactly
        {4000, 3000, 1000, 900, 1000, 750, 25},  // the width limits
        {1200, 1600, 1000, 800, 600, 800, 50},   // the height limits
        {3006, 4025, 1250, 960, 717, 960, 23},   // a phone photo upright
        {1001, 10, 1000, 900, 1000, 10, 99},     // never claims 100 when smaller
        {100000, 3, 1000, 900, 1000, 1, 1},      // a side never below 1 pixel, nor the percent
        {640, 480, 0, 0, 1, 1, 1},               // no room at all still shows a pixel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " in " << c.roomW << "x" << c.roomH);
        ViewScale scale = FitScale(c.width, c.height, c.roomW, c.roomH);
        EXPECT_EQ(scale.pictureWidth, c.width);
        EXPECT_EQ(scale.pictureHeight, c.height);
        EXPECT_EQ(scale.shownWidth, c.shownW);
        EXPECT_EQ(scale.shownHeight, c.shownH);
        EXPECT_EQ(scale.Scaled(), c.shownW != c.width || c.shownH != c.height);
        EXPECT_EQ(ScalePercent(scale), c.percent);
    }
    EXPECT_FALSE(ActualScale(4000, 3000).Scaled());
    EXPECT_EQ(ScalePercent(ActualScale(4000, 3000)), 100);
}

TEST(ToPicture, MapsPixelEdgesSoADragCoversWhatWasDrawn) {
    const ViewScale quarter = {4000, 3000, 1000, 750};
    struct Case {
        ViewPoint shown, picture;
    } cases[] = {
        {{0, 0}, {0, 0}},           {{1, 1}, {4, 4}},
        {{999, 749}, {3996, 2996}}, {{1000, 750}, {4000, 3000}},  // the far edge
        {{-1, -3}, {-4, -12}},                                    // a captured drag left of and above the view
        {{2500, 0}, {10000, 0}},
    };
    for (const Case& c : cases) {
        ViewPoint p = ToPicture(quarter, c.shown);
        EXPECT_EQ(p.x, c.picture.x) << c.shown.x;
        EXPECT_EQ(p.y, c.picture.y) << c.shown.y;
    }
    // A scale that is no whole factor: an edge lands on the picture pixel it
    // falls in, which is drawn in the pixel before the edge or the one after;
    // the picture positions grow with the drawn ones, by at most the factor.
    const ViewScale odd = {3006, 4025, 717, 960};
    ViewPoint previous = ToPicture(odd, {-6, -6});
    for (int x = -5; x < 720; ++x) {
        ViewPoint picture = ToPicture(odd, {x, x});
        ViewPoint back = ToShown(odd, picture);
        ASSERT_TRUE(back.x == x || back.x == x - 1) << x;
        ASSERT_TRUE(back.y == x || back.y == x - 1) << x;
        ASSERT_GT(picture.x, previous.x);
        ASSERT_LE(picture.x - previous.x, 3006 / 717 + 1);
        previous = picture;
    }
    // Far positions do not overflow.
    ViewPoint far = ToPicture(ViewScale{65535, 65535, 1, 1}, {INT_MAX / 2, INT_MIN / 2});
    EXPECT_EQ(far.x, INT_MAX);
    EXPECT_EQ(far.y, INT_MIN);
    // 1:1 is the identity.
    ViewPoint same = ToPicture(ActualScale(50, 40), {37, -2});
    EXPECT_EQ(same.x, 37);
    EXPECT_EQ(same.y, -2);
}

TEST(ClampScroll, StaysWithinWhatCanBeShown) {
    EXPECT_EQ(ClampScroll(-10, 4000, 1000), 0);
    EXPECT_EQ(ClampScroll(500, 4000, 1000), 500);
    EXPECT_EQ(ClampScroll(3500, 4000, 1000), 3000);
    EXPECT_EQ(ClampScroll(20, 800, 1000), 0);  // all visible
}

TEST(ViewRoom, TakesTheStripBesideTheMainWindowWhenItIsWideEnough) {
    const ViewBox work = {0, 0, 1280, 1000};
    const ViewBox leftMain = {0, 0, 330, 570};
    ViewBox room = ViewRoom(work, &leftMain);
    EXPECT_EQ(room.left, 330);
    EXPECT_EQ(room.right, 1280);
    EXPECT_EQ(room.Height(), 1000);
    // On the right of the screen: the strip to its left.
    const ViewBox rightMain = {950, 100, 1280, 670};
    room = ViewRoom(work, &rightMain);
    EXPECT_EQ(room.left, 0);
    EXPECT_EQ(room.right, 950);
    // In the middle: neither strip is half the screen, the whole work area.
    const ViewBox middle = {475, 0, 805, 570};
    room = ViewRoom(work, &middle);
    EXPECT_EQ(room.Width(), 1280);
    // Off the screen, or none at all: the work area.
    const ViewBox away = {-2000, 0, -1670, 570};
    EXPECT_EQ(ViewRoom(work, &away).Width(), 1280);
    EXPECT_EQ(ViewRoom(work, nullptr).Width(), 1280);
}

TEST(PlaceView, BesideTheMainWindowWhereItFitsElseCentred) {
    const ViewBox work = {0, 0, 1280, 1000};
    const ViewBox main = {0, 40, 330, 610};
    ViewPoint at = PlaceView(work, &main, 900, 700);
    EXPECT_EQ(at.x, 330);
    EXPECT_EQ(at.y, 40);
    // Too tall to start at the main window's top: moved up into the work area.
    at = PlaceView(work, &main, 900, 990);
    EXPECT_EQ(at.x, 330);
    EXPECT_EQ(at.y, 10);
    // The main window on the right: the view to its left.
    const ViewBox rightMain = {950, 0, 1280, 570};
    at = PlaceView(work, &rightMain, 900, 700);
    EXPECT_EQ(at.x, 50);
    // No room beside it: centred, covering it.
    at = PlaceView(work, &main, 1100, 700);
    EXPECT_EQ(at.x, 90);
    EXPECT_EQ(at.y, 150);
    // Larger than the work area: its top-left corner stays on it.
    at = PlaceView(ViewBox{100, 50, 1380, 1050}, nullptr, 3000, 2000);
    EXPECT_EQ(at.x, 100);
    EXPECT_EQ(at.y, 50);
}

}  // namespace
