#include <gtest/gtest.h>

#include <climits>

#include "engine/TrimGeometry.h"

namespace {

const char* Name(TrimVerdict verdict) {
    switch (verdict) {
        case TrimVerdict::Accepted:
            return "Accepted";
        case TrimVerdict::TooSmall:
            return "TooSmall";
        case TrimVerdict::TooNarrow:
            return "TooNarrow";
        case TrimVerdict::TooShort:
            return "TooShort";
    }
    return "?";
}

}  // namespace

TEST(JudgeTrim, OrdersCornersClipsToThePictureAndJudgesTheSize) {
    struct Case {
        int anchorX, anchorY, x, y;
        int width, height;  // picture
        TrimVerdict verdict;
        TrimRect rect;
    } cases[] = {
        // A drag up and to the left keeps the smaller corner.
        {50, 40, 10, 100, 320, 240, TrimVerdict::Accepted, {10, 40, 40, 60}},
        {10, 40, 50, 100, 320, 240, TrimVerdict::Accepted, {10, 40, 40, 60}},
        {10, 10, 14, 14, 320, 240, TrimVerdict::Accepted, {10, 10, 4, 4}},
        {10, 10, 13, 60, 320, 240, TrimVerdict::TooNarrow, {10, 10, 3, 50}},
        {10, 10, 60, 13, 320, 240, TrimVerdict::TooShort, {10, 10, 50, 3}},
        {10, 10, 12, 12, 320, 240, TrimVerdict::TooSmall, {10, 10, 2, 2}},
        {10, 10, 10, 10, 320, 240, TrimVerdict::TooSmall, {10, 10, 0, 0}},
        // Captured drags that end outside the client area stop at the edges.
        {300, 200, 400, 500, 320, 240, TrimVerdict::Accepted, {300, 200, 20, 40}},
        {20, 30, -15, -40, 320, 240, TrimVerdict::Accepted, {0, 0, 20, 30}},
        {-5, 100, 330, 120, 320, 240, TrimVerdict::Accepted, {0, 100, 320, 20}},
        // Wholly outside the picture: nothing is left, refused as too small.
        {330, 10, 400, 100, 320, 240, TrimVerdict::TooNarrow, {320, 10, 0, 90}},
        {330, 250, 400, 300, 320, 240, TrimVerdict::TooSmall, {320, 240, 0, 0}},
        {-50, -50, -10, -10, 320, 240, TrimVerdict::TooSmall, {0, 0, 0, 0}},
        // Clipping can make an accepted size too narrow.
        {317, 10, 400, 100, 320, 240, TrimVerdict::TooNarrow, {317, 10, 3, 90}},
        // Extreme positions do not overflow.
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 320, 240, TrimVerdict::Accepted, {0, 0, 320, 240}},
        // A picture of no size has nothing to trim.
        {0, 0, 50, 50, 0, 0, TrimVerdict::TooSmall, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TrimRect rect = {-1, -1, -1, -1};
        TrimVerdict verdict = JudgeTrim(c.anchorX, c.anchorY, c.x, c.y, c.width, c.height, &rect);
        SCOPED_TRACE(testing::Message() << "(" << c.anchorX << "," << c.anchorY << ")-(" << c.x << "," << c.y << ") in "
                                        << c.width << "x" << c.height);
        EXPECT_STREQ(Name(verdict), Name(c.verdict));
        EXPECT_EQ(rect.x, c.rect.x);
        EXPECT_EQ(rect.y, c.rect.y);
        EXPECT_EQ(rect.width, c.rect.width);
        EXPECT_EQ(rect.height, c.rect.height);
        // Whatever the drag, the rectangle lies inside the picture.
        EXPECT_GE(rect.x, 0);
        EXPECT_GE(rect.y, 0);
        EXPECT_LE(rect.x + rect.width, c.width);
        EXPECT_LE(rect.y + rect.height, c.height);
    }
}
