#include <gtest/gtest.h>

#include "engine/BoxScale.h"
#include "imaging/Pixels.h"

namespace {

TEST(BoxResize, FitsOrShrinksIntoTheLimits) {
    struct {
        int width, height, limitW, limitH, enlarge;
        int outW, outH;  // after the library's resize; equal to the input when none
    } cases[] = {
        // Opening with a preset of 320: the longer side becomes 320.
        {400, 300, 320, 320, 1, 320, 240},
        {300, 400, 320, 320, 1, 240, 320},
        {320, 320, 320, 320, 1, 320, 320},
        {100, 50, 320, 320, 1, 320, 160},
        // A preset chosen afterwards sets the width only.
        {300, 400, 320, 0, 1, 320, 427},
        {300, 400, 0, 200, 0, 150, 200},
        // The desktop box without enlarging.
        {800, 600, 1250, 994, 0, 800, 600},
        {2000, 1000, 1250, 994, 0, 1250, 625},
        {1000, 2000, 1250, 994, 0, 497, 994},
        {2000, 1900, 1250, 994, 0, 1046, 994},
        // ... and with it (a rotation chosen while the desktop size is on).
        {800, 600, 1250, 994, 1, 1250, 938},
        {600, 800, 1250, 994, 1, 746, 994},
        {0, 0, 0, 0, 1, 0, 0},
        // No picture or a negative limit: no resize (and no division by 0).
        {0, 0, 320, 320, 1, 0, 0},
        {0, 300, 320, 320, 0, 0, 300},
        {400, 300, -5, 320, 1, 400, 300},
        {400, 300, 320, -1, 0, 400, 300},
        // The largest sides and limits stay in range.
        {65535, 1, 65535, 65535, 1, 65535, 1},
        {1, 65535, 1, 65535, 0, 1, 65535},
    };
    for (const auto& c : cases) {
        ResizeRequest request = BoxResize(c.width, c.height, c.limitW, c.limitH, c.enlarge);
        int w = c.width, h = c.height;
        if (request.width || request.height) {
            ASSERT_TRUE(ResolveResize(c.width, c.height, request.width, request.height, &w, &h))
                << c.width << "x" << c.height;
        }
        EXPECT_EQ(w, c.outW) << c.width << "x" << c.height << " into " << c.limitW << "x" << c.limitH << " enlarge "
                             << c.enlarge;
        EXPECT_EQ(h, c.outH) << c.width << "x" << c.height << " into " << c.limitW << "x" << c.limitH << " enlarge "
                             << c.enlarge;
    }
}

}  // namespace

TEST(PicturePixelLimit, FollowsTheAddressSpaceUpToTheHardLimit) {
    const uint64_t gib = uint64_t(1) << 30;
    // 2 GB (a 32-bit process): 1 GiB for 11 copies of 3 bytes, about 32.5
    // million pixels (a 6600 x 4900 photograph fits).
    EXPECT_EQ(PicturePixelLimit(2 * gib, int64_t(1) << 27), int64_t(gib / 33));
    EXPECT_GT(PicturePixelLimit(2 * gib, int64_t(1) << 27), 6600 * 4900);
    // Large-address-aware on 64-bit Windows: twice that.
    EXPECT_EQ(PicturePixelLimit(4 * gib, int64_t(1) << 27), int64_t(2 * gib / 33));
    // 64-bit: the library's own limit.
    EXPECT_EQ(PicturePixelLimit(uint64_t(1) << 47, int64_t(1) << 27), int64_t(1) << 27);
    EXPECT_EQ(PicturePixelLimit(0, 100), 0);
}
