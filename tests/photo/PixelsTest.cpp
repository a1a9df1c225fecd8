#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "imaging/Image.h"
#include "imaging/Pixels.h"

namespace {

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

// A picture from a function of the displayed position (y from the top).
PixelImage Make(int width, int height, const std::function<Bgr(int, int)>& colour) {
    PixelImage image;
    EXPECT_EQ(AllocatePixels(image, width, height), 0u);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Bgr c = colour(x, y);
            uint8_t* p = image.DisplayRow(y) + x * 3;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
    return image;
}

Bgr At(const PixelImage& image, int x, int y) {
    const uint8_t* p = image.DisplayRow(y) + x * 3;
    return {p[0], p[1], p[2]};
}

// Every pixel distinct: its position in the colour.
Bgr Tag(int x, int y) {
    return {uint8_t(x), uint8_t(y), uint8_t(x * 16 + y)};
}

bool PaddingIsZero(const PixelImage& image) {
    for (int row = 0; row < image.height; ++row) {
        for (size_t i = size_t(image.width) * 3; i < image.stride; ++i) {
            if (image.BufferRow(row)[i] != 0) {
                return false;
            }
        }
    }
    return true;
}

TEST(ResolveResize, KeepsTheAspectRatioForMinusOne) {
    struct {
        int sw, sh, w, h;
        bool ok;
        int ow, oh;
    } cases[] = {
        {400, 300, 320, -1, true, 320, 240},
        {300, 400, -1, 320, true, 240, 320},
        {300, 400, 320, -1, true, 320, 427},
        {1000, 10, 1, -1, true, 1, 1},
        {7, 5, 3, 9, true, 3, 9},
        {10, 10, -1, -1, false, 0, 0},
        {10, 10, 0, 5, false, 0, 0},
        {10, 10, -2, 5, false, 0, 0},
        {10, 10, 100000, -1, false, 0, 0},
        {10, 10, 20000, 20000, false, 0, 0},
        {0, 10, 5, 5, false, 0, 0},
    };
    for (const auto& c : cases) {
        int w = 0, h = 0;
        EXPECT_EQ(ResolveResize(c.sw, c.sh, c.w, c.h, &w, &h), c.ok)
            << c.sw << "x" << c.sh << " to " << c.w << "x" << c.h;
        if (c.ok) {
            EXPECT_EQ(w, c.ow);
            EXPECT_EQ(h, c.oh);
        }
    }
}

TEST(ResizePixels, KeepsAPlainColourExactAtEverySize) {
    PixelImage plain = Make(37, 23, [](int, int) { return Bgr{12, 200, 255}; });
    const int sizes[][2] = {{37, 23}, {5, 3}, {1, 1}, {100, 23}, {37, 90}, {80, 7}, {3, 60}, {333, 211}};
    for (const auto& size : sizes) {
        PixelImage out;
        ASSERT_EQ(ResizePixels(plain, size[0], size[1], out), 0u);
        ASSERT_EQ(out.width, size[0]);
        ASSERT_EQ(out.height, size[1]);
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                ASSERT_EQ(At(out, x, y), (Bgr{12, 200, 255})) << size[0] << "x" << size[1] << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(PaddingIsZero(out));
    }
}

TEST(ResizePixels, AveragesAreasWhenShrinking) {
    // 2 x 2 blocks halve to their mean.
    PixelImage blocks = Make(4, 2, [](int x, int y) {
        static const uint8_t v[2][4] = {{10, 20, 0, 255}, {30, 40, 255, 0}};
        return Bgr{v[y][x], v[y][x], v[y][x]};
    });
    PixelImage half;
    ASSERT_EQ(ResizePixels(blocks, 2, 1, half), 0u);
    EXPECT_EQ(At(half, 0, 0).g, 25);
    EXPECT_EQ(At(half, 1, 0).g, 128);  // 127.5 rounds up

    // A one-pixel checkerboard becomes even grey at any reduction, where
    // point sampling would alias into black and white.
    PixelImage checker = Make(101, 99, [](int x, int y) {
        uint8_t v = (x + y) % 2 ? 255 : 0;
        return Bgr{v, v, v};
    });
    PixelImage small;
    ASSERT_EQ(ResizePixels(checker, 31, 17, small), 0u);
    for (int y = 1; y < small.height - 1; ++y) {
        for (int x = 1; x < small.width - 1; ++x) {
            EXPECT_NEAR(At(small, x, y).g, 127.5, 12.0) << x << "," << y;
        }
    }
}

TEST(ResizePixels, KeepsTopAndLeftWhereTheyWere) {
    // Red top half, blue bottom half, a green left column.
    PixelImage picture = Make(40, 30, [](int x, int y) {
        if (x < 4) {
            return Bgr{0, 255, 0};
        }
        return y < 15 ? Bgr{0, 0, 255} : Bgr{255, 0, 0};
    });
    const int sizes[][2] = {{20, 15}, {100, 75}, {100, 10}, {13, 90}};
    for (const auto& size : sizes) {
        PixelImage out;
        ASSERT_EQ(ResizePixels(picture, size[0], size[1], out), 0u);
        Bgr top = At(out, out.width - 1, 0);
        Bgr bottom = At(out, out.width - 1, out.height - 1);
        Bgr left = At(out, 0, out.height / 2);
        EXPECT_GT(top.r, 200) << size[0] << "x" << size[1];
        EXPECT_GT(bottom.b, 200) << size[0] << "x" << size[1];
        EXPECT_GT(left.g, 200) << size[0] << "x" << size[1];
    }
}

TEST(ResizePixels, EnlargesSmoothlyWithoutOvershootOnARamp) {
    PixelImage ramp = Make(16, 4, [](int x, int) { return Bgr{uint8_t(x * 16), 0, 0}; });
    PixelImage big;
    ASSERT_EQ(ResizePixels(ramp, 64, 4, big), 0u);
    for (int x = 1; x < big.width; ++x) {
        EXPECT_GE(At(big, x, 2).b, At(big, x - 1, 2).b) << x;
    }
    EXPECT_LE(At(big, 0, 0).b, 2);
    EXPECT_GE(At(big, 63, 0).b, 238);
}

TEST(RotatePixels, TurnsClockwiseAsDisplayed) {
    const int W = 5, H = 3;
    PixelImage picture = Make(W, H, Tag);
    struct {
        int degrees;
        int width, height;
        std::function<Bgr(int, int)> expected;  // of the new displayed position
    } cases[] = {
        {90, H, W, [](int x, int y) { return Tag(y, H - 1 - x); }},
        {180, W, H, [](int x, int y) { return Tag(W - 1 - x, H - 1 - y); }},
        {270, H, W, [](int x, int y) { return Tag(W - 1 - y, x); }},
    };
    for (const auto& c : cases) {
        PixelImage out;
        ASSERT_EQ(RotatePixels(picture, c.degrees, out), 0u);
        ASSERT_EQ(out.width, c.width);
        ASSERT_EQ(out.height, c.height);
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                EXPECT_EQ(At(out, x, y), c.expected(x, y)) << c.degrees << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(PaddingIsZero(out));
    }
    PixelImage out;
    EXPECT_NE(RotatePixels(picture, 45, out), 0u);
    EXPECT_NE(RotatePixels(picture, 0, out), 0u);
}

TEST(RotatePixels, FourQuarterTurnsOfALargePictureComeBack) {
    // Larger than one tile in both directions, odd sizes.
    PixelImage picture = Make(77, 45, Tag);
    PixelImage turned = Make(77, 45, Tag);
    for (int i = 0; i < 4; ++i) {
        PixelImage next;
        ASSERT_EQ(RotatePixels(turned, 90, next), 0u);
        turned = std::move(next);
    }
    ASSERT_EQ(turned.width, 77);
    EXPECT_EQ(std::memcmp(turned.bits.get(), picture.bits.get(), picture.ByteCount()), 0);
}

TEST(CropPixels, CutsFromTheTopLeftAndClipsToThePicture) {
    PixelImage picture = Make(6, 4, Tag);
    struct {
        int64_t x, y, w, h;
        bool ok;
        int left, top, width, height;
    } cases[] = {
        {1, 0, 2, 1, true, 1, 0, 2, 1},
        {0, 0, 6, 4, true, 0, 0, 6, 4},
        {4, 2, 10, 10, true, 4, 2, 2, 2},
        {-3, -2, 5, 4, true, 0, 0, 2, 2},
        {60000, 1, 4, 4, false, 0, 0, 0, 0},
        {6, 0, 1, 1, false, 0, 0, 0, 0},
        {0, 0, 0, 3, false, 0, 0, 0, 0},
        {2, 2, -1, 3, false, 0, 0, 0, 0},
        // Ends beyond 64 bits: clipped, never overflowing.
        {2, 1, INT64_MAX, INT64_MAX, true, 2, 1, 4, 3},
        {INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, false, 0, 0, 0, 0},
        {-5, INT64_MIN, INT64_MAX, INT64_MAX, false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        PixelImage out;
        uint32_t error = CropPixels(picture, c.x, c.y, c.w, c.h, out);
        EXPECT_EQ(error == 0, c.ok) << c.x << "," << c.y << " " << c.w << "x" << c.h;
        if (!c.ok || error) {
            continue;
        }
        ASSERT_EQ(out.width, c.width);
        ASSERT_EQ(out.height, c.height);
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                EXPECT_EQ(At(out, x, y), Tag(c.left + x, c.top + y));
            }
        }
    }
}

TEST(ApplyOrientation, ShowsThePictureAsTheCameraMeantIt) {
    const int W = 4, H = 3;
    // What the viewer shows at (x, y) for each EXIF orientation, from the
    // stored picture S (W x H).
    std::function<Bgr(int, int)> shown[9] = {
        nullptr,
        [](int x, int y) { return Tag(x, y); },
        [](int x, int y) { return Tag(W - 1 - x, y); },
        [](int x, int y) { return Tag(W - 1 - x, H - 1 - y); },
        [](int x, int y) { return Tag(x, H - 1 - y); },
        [](int x, int y) { return Tag(y, x); },
        [](int x, int y) { return Tag(y, H - 1 - x); },
        [](int x, int y) { return Tag(W - 1 - y, H - 1 - x); },
        [](int x, int y) { return Tag(W - 1 - y, x); },
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        PixelImage picture = Make(W, H, Tag);
        ASSERT_EQ(ApplyOrientation(picture, orientation), 0u);
        bool quarter = orientation >= 5;
        ASSERT_EQ(picture.width, quarter ? H : W) << orientation;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                EXPECT_EQ(At(picture, x, y), shown[orientation](x, y))
                    << "orientation " << orientation << " at " << x << "," << y;
            }
        }
    }
}

TEST(ImageHandles, FailuresLeaveThePictureAndAnErrorUntilCleared) {
    ImgClearError();
    ImgHandle image = ImgCreate(30, 20);
    ASSERT_NE(image, nullptr);
    ImgInfoHeader header;
    ASSERT_EQ(ImgGetHeader(image, &header), 1);
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 30);
    EXPECT_EQ(header.biHeight, 20);  // bottom-up
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biSizeImage, 92u * 20u);

    EXPECT_EQ(ImgResize(image, -1, -1), 0);
    EXPECT_EQ(ImgLastError(), uint32_t(ImgErrSizeOutOfRange));
    EXPECT_EQ(ImgWidth(image), 30);
    EXPECT_EQ(ImgRotate(image, 91), 0);
    EXPECT_EQ(ImgCrop(image, 40, 0, 5, 5), nullptr);
    EXPECT_NE(ImgLastError(), 0u);
    EXPECT_EQ(ImgCreate(100000, 100000), nullptr);
    EXPECT_EQ(ImgLastError(), uint32_t(ImgErrSizeOutOfRange));
    EXPECT_EQ(ImgResize(image, 60, -1), 1);
    EXPECT_NE(ImgLastError(), 0u) << "success does not clear an unreported error";
    ImgClearError();
    EXPECT_EQ(ImgLastError(), 0u);

    ASSERT_EQ(ImgGetHeader(image, &header), 1);
    EXPECT_EQ(header.biWidth, 60);
    EXPECT_EQ(header.biHeight, 40);
    ImgHandle copy = ImgCopy(image);
    uint8_t* bits = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(ImgGetPixels(copy, nullptr, &bits, &count), 1);
    EXPECT_EQ(count, 180u * 40u);
    bits[0] = 7;
    uint8_t* original = nullptr;
    ImgGetPixels(image, nullptr, &original, nullptr);
    EXPECT_EQ(original[0], 255) << "a copy is independent";
    EXPECT_EQ(ImgCopyPixels(image, copy), 1);
    EXPECT_EQ(original[0], 7);
    ImgRotate(copy, 90);
    EXPECT_EQ(ImgCopyPixels(image, copy), 0) << "geometry differs";
    ImgFree(copy);
    ImgFree(image);
    ImgFree(nullptr);
    EXPECT_EQ(ImgCopy(nullptr), nullptr);
    ImgClearError();
}

}  // namespace
