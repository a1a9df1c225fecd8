#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "imaging/Image.h"
#include "imaging/Parallel.h"
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

// Runs the work of a scope on `threads` threads (0: one per core).
struct ThreadCount {
    explicit ThreadCount(int threads) { SetParallelThreads(threads); }
    ~ThreadCount() { SetParallelThreads(0); }
};

bool SameBytes(const PixelImage& a, const PixelImage& b) {
    return a.width == b.width && a.height == b.height && a.stride == b.stride &&
           std::memcmp(a.bits.get(), b.bits.get(), a.ByteCount()) == 0;
}

TEST(ResizePixels, ShrinksASmoothPatternToItsValuesWithinOneLevel) {
    // A pattern well inside the smaller picture's band comes through as the
    // pattern itself, sampled at the output pixels' centres: for a shrink by
    // 12 (blocks of 2 first, then the filter) and by 3 (the filter alone).
    const double kTwoPi = 6.283185307179586;
    for (int factor : {12, 3}) {
        const int w = 80, h = 60;
        auto value = [&](double u, double v) {  // u, v in source pixels from the top-left corner
            return 128.0 + 100.0 * std::sin(kTwoPi * u / (16.0 * factor)) * std::cos(kTwoPi * v / (20.0 * factor));
        };
        PixelImage pattern = Make(w * factor, h * factor, [&](int x, int y) {
            uint8_t v = uint8_t(std::lround(value(x + 0.5, y + 0.5)));
            return Bgr{v, uint8_t(255 - v), 77};
        });
        PixelImage small;
        ASSERT_EQ(ResizePixels(pattern, w, h, small), 0u);
        // The borders repeat the edge pixels: the pattern holds from the
        // filter's reach (3 output pixels) on.
        for (int y = 3; y < h - 3; ++y) {
            for (int x = 3; x < w - 3; ++x) {
                double expected = value((x + 0.5) * factor, (y + 0.5) * factor);
                Bgr got = At(small, x, y);
                ASSERT_NEAR(got.b, expected, 1.0) << "shrink by " << factor << " at " << x << "," << y;
                ASSERT_NEAR(got.g, 255.0 - expected, 1.0) << "shrink by " << factor << " at " << x << "," << y;
                ASSERT_EQ(got.r, 77) << "shrink by " << factor << " at " << x << "," << y;
            }
        }
    }
}

TEST(ResizePixels, DetailTooFineForTheNewSizeFadesToEvenGrey) {
    // A one-pixel checkerboard at any reduction, where point sampling would
    // alias into black and white.
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
    // Fabric-like square stripes of 8 to 16 pixels shrunk by 12 lie above
    // the new Nyquist limit: a box average leaves up to 40 levels of false
    // stripes here; what is left now stays within 2 levels of the mean.
    for (int period : {8, 10, 11, 14, 16}) {
        PixelImage stripes = Make(1200, 120, [period](int x, int) {
            uint8_t v = (x % period) * 2 < period ? 0 : 255;
            return Bgr{v, v, v};
        });
        ASSERT_EQ(ResizePixels(stripes, 100, 10, small), 0u);
        double sum = 0;
        for (int x = 4; x < 96; ++x) {
            sum += At(small, x, 5).g;
        }
        double mean = sum / 92;
        for (int x = 4; x < 96; ++x) {
            EXPECT_NEAR(At(small, x, 5).g, mean, 2.5) << "period " << period << " at " << x;
        }
    }
}

TEST(ResizePixels, AllCoresGiveTheBytesOfOne) {
    PixelImage picture = Make(1001, 703, [](int x, int y) {
        return Bgr{uint8_t(x * 7 + y), uint8_t(x ^ y), uint8_t((x * y) >> 3)};
    });
    const int sizes[][2] = {{40, 28}, {333, 234}, {1001, 100}, {700, 703}, {1500, 1100}, {90, 1400}};
    for (const auto& size : sizes) {
        PixelImage one, many;
        {
            ThreadCount threads(1);
            ASSERT_EQ(ResizePixels(picture, size[0], size[1], one), 0u);
        }
        {
            ThreadCount threads(7);
            ASSERT_EQ(ResizePixels(picture, size[0], size[1], many), 0u);
        }
        EXPECT_TRUE(SameBytes(one, many)) << size[0] << "x" << size[1];
        EXPECT_TRUE(PaddingIsZero(many));
    }
    for (int degrees : {90, 180, 270}) {
        PixelImage one, many;
        {
            ThreadCount threads(1);
            ASSERT_EQ(RotatePixels(picture, degrees, one), 0u);
        }
        {
            ThreadCount threads(7);
            ASSERT_EQ(RotatePixels(picture, degrees, many), 0u);
        }
        EXPECT_TRUE(SameBytes(one, many)) << degrees;
    }
}

TEST(ResizePixels, ExtremeFactorsGiveAPicture) {
    // A line of the largest side to one pixel and one pixel to a long line:
    // the box steps and the filter's reach stay inside the picture.
    PixelImage line = Make(kMaxImageSide, 2, [](int x, int) { return Bgr{uint8_t(x), 9, 200}; });
    PixelImage out;
    ASSERT_EQ(ResizePixels(line, 1, 1, out), 0u);
    EXPECT_NEAR(At(out, 0, 0).b, 127.5, 4.0);  // blocks of a sawtooth, each near its mean
    EXPECT_EQ(At(out, 0, 0).r, 200);
    ASSERT_EQ(ResizePixels(line, 3, 7, out), 0u);
    PixelImage dot = Make(1, 1, [](int, int) { return Bgr{1, 2, 3}; });
    ASSERT_EQ(ResizePixels(dot, kMaxImageSide, 3, out), 0u);
    EXPECT_EQ(At(out, kMaxImageSide - 1, 2), (Bgr{1, 2, 3}));
    EXPECT_NE(ResizePixels(dot, kMaxImageSide + 1, 1, out), 0u);
    EXPECT_NE(ResizePixels(dot, 0, 5, out), 0u);
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

TEST(ImageHandles, CopiesSharePixelsUntilOneIsWritten) {
    ImgHandle image = ImgCreate(40, 30);
    ASSERT_NE(image, nullptr);
    ImgHandle copy = ImgCopy(image);
    const uint8_t* imageBits = nullptr;
    const uint8_t* copyBits = nullptr;
    ASSERT_EQ(ImgReadPixels(image, nullptr, &imageBits, nullptr), 1);
    ASSERT_EQ(ImgReadPixels(copy, nullptr, &copyBits, nullptr), 1);
    EXPECT_EQ(imageBits, copyBits) << "a copy costs no pixels while both are only read";

    // Writing the copy gives it pixels of its own; the original keeps its.
    uint8_t* written = nullptr;
    ASSERT_EQ(ImgGetPixels(copy, nullptr, &written, nullptr), 1);
    EXPECT_NE(written, imageBits);
    written[0] = 9;
    EXPECT_EQ(imageBits[0], 255);
    uint8_t* again = nullptr;
    ImgGetPixels(copy, nullptr, &again, nullptr);
    EXPECT_EQ(again, written) << "once its own, writing copies nothing more";

    // Resizing, turning or freeing one leaves the other whole.
    ImgHandle second = ImgCopy(image);
    ASSERT_EQ(ImgResize(second, 20, -1), 1);
    ASSERT_EQ(ImgRotate(image, 90), 1);
    ImgHandle third = ImgCopy(image);
    ImgFree(image);
    EXPECT_EQ(ImgWidth(second), 20);
    EXPECT_EQ(ImgWidth(third), 30);
    const uint8_t* thirdBits = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(ImgReadPixels(third, nullptr, &thirdBits, &count), 1);
    EXPECT_EQ(thirdBits[0], 255);
    EXPECT_EQ(thirdBits[count - 1], 0) << "row padding stays zero";

    // Copying pixels into a picture that shares its own with a copy leaves
    // that copy as it was.
    ImgHandle shared = ImgCopy(third);
    ImgHandle black = ImgCopy(third);
    uint8_t* blackBits = nullptr;
    ImgGetPixels(black, nullptr, &blackBits, &count);
    std::memset(blackBits, 0, count);
    ASSERT_EQ(ImgCopyPixels(shared, black), 1);
    const uint8_t* sharedBits = nullptr;
    ImgReadPixels(shared, nullptr, &sharedBits, nullptr);
    EXPECT_EQ(sharedBits[0], 0);
    EXPECT_EQ(thirdBits[0], 255);
    EXPECT_EQ(ImgCopyPixels(third, third), 1);
    for (ImgHandle h : {copy, second, third, shared, black}) {
        ImgFree(h);
    }
    ImgClearError();
}

}  // namespace
