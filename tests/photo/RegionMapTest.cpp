#include <gtest/gtest.h>

#include "engine/RegionMap.h"

#include <algorithm>

namespace {

void ExpectNear(RegionPoint actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
}

}  // namespace

TEST(RegionMap, TurnsMoveAPixelsCellWhereTheRotationMovesThePixel) {
    // Pixel (1, 0) of a 4 x 2 picture: a quarter turn clockwise puts it at
    // (H - 1 - y, x) = (1, 1), back at (y, W - 1 - x) = (0, 2), half a turn at
    // (2, 1). Its cell's centre (1.5, 0.5) follows.
    const RegionPoint centre = {1.5, 0.5};
    ExpectNear(ScaleAndTurn(4, 2, 4, 2, 0)(centre), 1.5, 0.5);
    ExpectNear(ScaleAndTurn(4, 2, 4, 2, 90)(centre), 1.5, 1.5);
    ExpectNear(ScaleAndTurn(4, 2, 4, 2, 270)(centre), 0.5, 2.5);
    ExpectNear(ScaleAndTurn(4, 2, 4, 2, 180)(centre), 2.5, 1.5);
    // Scaled first (to 8 x 4), then turned in the scaled picture.
    ExpectNear(ScaleAndTurn(4, 2, 8, 4, 0)({4, 2}), 8, 4);
    ExpectNear(ScaleAndTurn(4, 2, 8, 4, 90)({0, 0}), 4, 0);
    ExpectNear(ScaleAndTurn(400, 300, 320, 240, 270)({400, 0}), 0, 0);
}

TEST(RegionMap, MapsComposeAndGoBack) {
    Affine toWorking = ScaleAndTurn(400, 300, 200, 150, 90);
    Affine trimmed = Then(toWorking, Shift(-10, -20));
    Affine back = Inverse(trimmed);
    for (RegionPoint p : {RegionPoint{0, 0}, RegionPoint{399, 1}, RegionPoint{123.5, 77}}) {
        RegionPoint there = trimmed(p);
        RegionPoint expected = toWorking(p);
        ExpectNear(there, expected.x - 10, expected.y - 20);
        ExpectNear(back(there), p.x, p.y);
    }
    ExpectNear(Then(Shift(1, 2), Shift(3, 4))({0, 0}), 4, 6);
    Affine flat;
    flat.xx = 0;
    ExpectNear(Inverse(flat)({5, 6}), 5, 6);  // no inverse: left as it is
}

TEST(RegionMap, ClipsARegionToTheKeptRectangle) {
    Region square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    // Wholly inside: the same outline.
    EXPECT_EQ(ClippedTo(square, -1, -1, 20, 20).size(), 4u);
    // Wholly outside: nothing.
    EXPECT_TRUE(ClippedTo(square, 20, 20, 30, 30).empty());
    // Across a corner: the square 5..10 x 5..10.
    Region corner = ClippedTo(square, 5, 5, 30, 30);
    ASSERT_FALSE(corner.empty());
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (RegionPoint p : corner) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    EXPECT_EQ(minX, 5);
    EXPECT_EQ(maxX, 10);
    EXPECT_EQ(minY, 5);
    EXPECT_EQ(maxY, 10);
    // A triangle's tip cut off: a quadrilateral along the cut.
    Region triangle = {{0, 0}, {10, 0}, {5, 10}};
    Region cut = ClippedTo(triangle, 0, 0, 10, 5);
    ASSERT_EQ(cut.size(), 4u);
    for (RegionPoint p : cut) {
        EXPECT_LE(p.y, 5);
    }
    EXPECT_TRUE(ClippedTo(Region(), 0, 0, 1, 1).empty());
}
