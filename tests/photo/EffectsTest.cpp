// The region effects and the layer softening against their plain definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/Effects.h"
#include "imaging/Parallel.h"

namespace {

typedef std::vector<uint8_t> Buffer;

struct Picture {
    int width;
    int height;
    Buffer bytes;
    Picture(int w, int h) : width(w), height(h), bytes(RowStride(w) * h, 0) {}
    uint8_t* Pixel(int x, int y) { return bytes.data() + RowStride(width) * y + 3 * x; }
};

Picture RandomPicture(int width, int height, std::mt19937& random) {
    Picture picture(width, height);
    for (uint8_t& byte : picture.bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return picture;
}

// Mask kinds: 0 nothing, 1 everything, 2 scattered pixels, 3 a filled disc,
// as the lasso leaves them (blue byte 30, green 30, red 100).
Picture MakeMask(int width, int height, int kind, std::mt19937& random) {
    Picture mask(width, height);
    int cx = static_cast<int>(random() % width), cy = static_cast<int>(random() % height);
    int radius = 1 + static_cast<int>(random() % (width + height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool selected = kind == 1 || (kind == 2 && random() % 3 == 0) ||
                            (kind == 3 && (x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius / 4);
            if (selected) {
                uint8_t* p = mask.Pixel(x, y);
                p[0] = 30;
                p[1] = 30;
                p[2] = 100;
            }
        }
    }
    return mask;
}

// The blur exactly as defined: 4r^2 additions per byte, summed in floating
// point, truncated.
void DirectBlur(const Picture& working, Picture& display, const Picture& mask, int r) {
    const size_t stride = RowStride(working.width);
    for (int y = r; y <= working.height - r - 1; ++y) {
        for (int x = r; x <= working.width - r - 1; ++x) {
            if (!mask.bytes[stride * y + 3 * x]) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int dy = -r; dy <= r - 1; ++dy) {
                    for (int dx = -r; dx <= r - 1; ++dx) {
                        sum += working.bytes[stride * (y + dy) + 3 * (x + dx) + c];
                    }
                }
                display.bytes[stride * y + 3 * x + c] = static_cast<uint8_t>(std::trunc(sum / (4.0 * r * r)));
            }
        }
    }
}

void DirectMosaic(const Picture& working, Picture& display, const Picture& mask, int n) {
    const size_t stride = RowStride(working.width);
    for (int y = 0; y < working.height; ++y) {
        for (int x = 0; x < working.width; ++x) {
            if (mask.bytes[stride * y + 3 * x]) {
                for (int c = 0; c < 3; ++c) {
                    display.bytes[stride * y + 3 * x + c] = working.bytes[stride * (y / n * n) + 3 * (x / n * n) + c];
                }
            }
        }
    }
}

}  // namespace

TEST(BlurRegion, EqualsTheDirectFormulaByteForByte) {
    std::mt19937 random(20240607);
    struct Size {
        int width, height;
    } sizes[] = {{1, 1}, {2, 2}, {3, 7}, {17, 9}, {40, 33}, {64, 64}, {97, 41}, {5, 120}};
    int compared = 0;
    for (const Size& size : sizes) {
        for (int r : {1, 2, 3, 4, 7, 16, 20, 48, 80}) {
            for (int kind = 0; kind < 4; ++kind) {
                Picture working = RandomPicture(size.width, size.height, random);
                Picture start = RandomPicture(size.width, size.height, random);
                Picture mask = MakeMask(size.width, size.height, kind, random);
                Picture expected = start, actual = start;
                DirectBlur(working, expected, mask, r);
                ASSERT_TRUE(BlurRegion(working.bytes.data(), actual.bytes.data(), mask.bytes.data(), size.width,
                                       size.height, r));
                ASSERT_EQ(actual.bytes, expected.bytes)
                    << size.width << " x " << size.height << ", r " << r << ", mask " << kind;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 8 * 9 * 4);
}

TEST(BlurRegion, ExtremeValuesStayExact) {
    // All 255 gives sums at their largest; one dark pixel makes every mean
    // fall just below an integer.
    for (int r : {1, 5, 20, 80}) {
        int side = 2 * r + 3;
        Picture working(side, side), start(side, side), mask(side, side);
        std::fill(working.bytes.begin(), working.bytes.end(), 255);
        std::fill(mask.bytes.begin(), mask.bytes.end(), 1);
        working.Pixel(side / 2, side / 2)[1] = 254;
        Picture expected = start, actual = start;
        DirectBlur(working, expected, mask, r);
        BlurRegion(working.bytes.data(), actual.bytes.data(), mask.bytes.data(), side, side, r);
        EXPECT_EQ(actual.bytes, expected.bytes) << "r " << r;
    }
}

TEST(BlurRegion, TooLargeOrZeroRadius) {
    std::mt19937 random(7);
    Picture working = RandomPicture(30, 10, random);
    Picture mask = MakeMask(30, 10, 1, random);
    Picture display = RandomPicture(30, 10, random);
    const Buffer before = display.bytes;
    // 2r at least the height (or the width): nothing changes, yet it ran.
    EXPECT_TRUE(BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 30, 10, 5));
    EXPECT_TRUE(BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 30, 10, 80));
    EXPECT_TRUE(BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 10, 30, 5));
    EXPECT_EQ(display.bytes, before);
    // r = 0 would divide by zero; a negative r reads outside the picture.
    EXPECT_FALSE(BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 30, 10, 0));
    EXPECT_FALSE(BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 30, 10, -3));
    EXPECT_EQ(display.bytes, before);
    // One row below the limit: exactly the pixel in the middle row is blurred.
    Picture start = display;
    EXPECT_TRUE(BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 30, 10, 4));
    Picture expected = start;
    DirectBlur(working, expected, mask, 4);
    EXPECT_EQ(display.bytes, expected.bytes);
}

TEST(ExactDivider, EveryWindowSumOfEverySliderRadius) {
    for (uint32_t r = 1; r <= 80; ++r) {
        uint32_t area = 4 * r * r;
        ExactDivider divide(area, 255 * area);
        for (uint32_t sum = 0; sum <= 255 * area; ++sum) {
            if (divide(sum) != sum / area) {
                FAIL() << sum << " / " << area;
            }
        }
    }
}

TEST(ShortDivider, EveryWindowSumOfTheRadiiItServes) {
    for (uint32_t r = 1; r <= static_cast<uint32_t>(ShortDivider::kLargestRadius); ++r) {
        uint32_t area = 4 * r * r;
        ShortDivider divide(area);
        for (uint32_t sum = 0; sum <= 255 * area; ++sum) {
            if (divide(sum) != sum / area) {
                FAIL() << sum << " / " << area;
            }
        }
    }
}

TEST(MosaicRegion, EqualsTheDefinitionAndIsIdempotent) {
    std::mt19937 random(99);
    for (int n : {1, 2, 3, 10, 33, 200}) {
        for (int kind = 0; kind < 4; ++kind) {
            Picture working = RandomPicture(45, 31, random);
            Picture start = RandomPicture(45, 31, random);
            Picture mask = MakeMask(45, 31, kind, random);
            Picture expected = start, actual = start;
            DirectMosaic(working, expected, mask, n);
            ASSERT_TRUE(MosaicRegion(working.bytes.data(), actual.bytes.data(), mask.bytes.data(), 45, 31, n));
            EXPECT_EQ(actual.bytes, expected.bytes) << "n " << n << ", mask " << kind;
            // Both passes read `working`, so a second one changes nothing.
            MosaicRegion(working.bytes.data(), actual.bytes.data(), mask.bytes.data(), 45, 31, n);
            EXPECT_EQ(actual.bytes, expected.bytes) << "twice, n " << n;
        }
    }
}

TEST(MosaicRegion, BlockOfOneUndoesABlurInTheSelection) {
    std::mt19937 random(5);
    Picture working = RandomPicture(50, 40, random);
    Picture mask = MakeMask(50, 40, 3, random);
    Picture display = working;
    BlurRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 50, 40, 3);
    ASSERT_NE(display.bytes, working.bytes);
    MosaicRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 50, 40, 1);
    EXPECT_EQ(display.bytes, working.bytes);
}

TEST(RegionEffects, AllCoresGiveTheBytesOfTheDefinition) {
    // Pictures tall enough to be cut into several bands, over more threads
    // than cores: each band starts its running sums anew.
    std::mt19937 random(31);
    SetParallelThreads(7);
    for (int kind : {1, 2, 3}) {
        Picture working = RandomPicture(61, 1100, random);
        Picture start = RandomPicture(61, 1100, random);
        Picture mask = MakeMask(61, 1100, kind, random);
        for (int r : {1, 5, 20}) {
            Picture expected = start, actual = start;
            DirectBlur(working, expected, mask, r);
            ASSERT_TRUE(BlurRegion(working.bytes.data(), actual.bytes.data(), mask.bytes.data(), 61, 1100, r));
            EXPECT_EQ(actual.bytes, expected.bytes) << "blur r " << r << ", mask " << kind;
        }
        for (int n : {1, 7, 10}) {
            Picture expected = start, actual = start;
            DirectMosaic(working, expected, mask, n);
            ASSERT_TRUE(MosaicRegion(working.bytes.data(), actual.bytes.data(), mask.bytes.data(), 61, 1100, n));
            EXPECT_EQ(actual.bytes, expected.bytes) << "mosaic n " << n << ", mask " << kind;
        }
    }
    SetParallelThreads(0);
}

TEST(MosaicRegion, BlocksLargerThanThePictureTakeItsFirstPixel) {
    std::mt19937 random(3);
    Picture working = RandomPicture(19, 11, random);
    Picture mask = MakeMask(19, 11, 1, random);
    Picture display(19, 11);
    ASSERT_TRUE(MosaicRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 19, 11, INT32_MAX));
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 19; ++x) {
            ASSERT_EQ(0, std::memcmp(display.Pixel(x, y), working.Pixel(0, 0), 3)) << x << "," << y;
        }
    }
}

TEST(MosaicRegion, RefusesBlocksThatAreNotPositive) {
    Picture working(8, 8), display(8, 8), mask(8, 8);
    EXPECT_FALSE(MosaicRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 8, 8, 0));
    EXPECT_FALSE(MosaicRegion(working.bytes.data(), display.bytes.data(), mask.bytes.data(), 8, 8, -4));
}

TEST(SmoothLayer, SpreadsRightAndDownBecauseItWorksInPlace) {
    // A 3 x 5 layer (stride 12) with one green byte of 200 at pixel (1, 2):
    // row 1 sees it below, row 2 sees it to the right of offset 1 and then
    // averages it away using the already softened neighbours.
    Picture layer(3, 5);
    layer.Pixel(1, 2)[1] = 200;
    SmoothLayer(layer.bytes.data(), 3, 5);
    Picture expected(3, 5);
    expected.Pixel(1, 1)[1] = 50;
    expected.Pixel(0, 2)[1] = 50;
    expected.Pixel(1, 2)[1] = 25;
    EXPECT_EQ(layer.bytes, expected.bytes);
}

TEST(SmoothLayer, LeavesTheOuterBytesAndSmallLayersAlone) {
    std::mt19937 random(11);
    struct Size {
        int width, height;
        bool changes;
    } sizes[] = {{1, 50, false}, {50, 3, false}, {50, 1, false}, {2, 4, true}, {13, 9, true}, {16, 16, true}};
    for (const Size& size : sizes) {
        Picture layer = RandomPicture(size.width, size.height, random);
        const Picture before = layer;
        SmoothLayer(layer.bytes.data(), size.width, size.height);
        if (!size.changes) {
            EXPECT_EQ(layer.bytes, before.bytes) << size.width << " x " << size.height;
            continue;
        }
        const size_t stride = RowStride(size.width);
        for (int y = 0; y < size.height; ++y) {
            for (size_t i = 0; i < stride; ++i) {
                bool inside = y >= 1 && y <= size.height - 3 && i >= 1 && i <= 3 * size_t(size.width) - 3;
                if (!inside) {
                    ASSERT_EQ(layer.bytes[stride * y + i], before.bytes[stride * y + i])
                        << "row " << y << " byte " << i;
                }
            }
        }
        EXPECT_NE(layer.bytes, before.bytes);
    }
}

TEST(SmoothLayer, BlackStaysBlackAndAnEvenFieldStaysEven) {
    Picture black(20, 20);
    SmoothLayer(black.bytes.data(), 20, 20);
    EXPECT_EQ(black.bytes, Picture(20, 20).bytes);

    // Rows of 21 pixels have no padding after 63 bytes (stride 64): every
    // byte of the field is 180 and so are its four neighbours.
    Picture grey(21, 12);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 21; ++x) {
            uint8_t* p = grey.Pixel(x, y);
            p[0] = p[1] = p[2] = 180;
        }
    }
    SmoothLayer(grey.bytes.data(), 21, 12);
    EXPECT_EQ(grey.Pixel(10, 5)[1], 180);
    // Beside the padding byte the mean takes in a zero, and the byte above,
    // already lowered, carries it down: 135, 123, 120, 120...
    EXPECT_EQ(grey.Pixel(20, 1)[0], (180 + 0 + 180 + 180) / 4);
    EXPECT_EQ(grey.Pixel(20, 2)[0], (180 + 0 + 135 + 180) / 4);
    EXPECT_EQ(grey.Pixel(20, 5)[0], 120);
}

TEST(SmoothLayerArea, GivesTheBytesOfTheWholePassAndStaysInItsArea) {
    // Ink in a rectangle (displayed coordinates) of a black layer, near the
    // edges and inside, softened over its area alone: the same bytes as the
    // whole layer softened, and nothing beyond SmoothedArea.
    std::mt19937 random(5);
    struct Case {
        int width, height;
        int left, top, right, bottom;
    } cases[] = {
        {40, 30, 10, 8, 20, 14}, {40, 30, 0, 0, 6, 5},    {40, 30, 33, 25, 40, 30}, {40, 30, 0, 0, 40, 30},
        {17, 9, 3, 2, 4, 3},     {64, 48, 50, 1, 63, 47}, {5, 5, 1, 1, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " ink " << c.left << "," << c.top << "-"
                                        << c.right << "," << c.bottom);
        Picture layer(c.width, c.height);
        for (int y = c.top; y < c.bottom; ++y) {
            for (int x = c.left; x < c.right; ++x) {
                uint8_t* p = layer.Pixel(x, c.height - 1 - y);
                // Full white strokes spread farthest.
                p[0] = p[1] = p[2] = random() % 2 ? 255 : uint8_t(random());
            }
        }
        Picture whole = layer;
        SmoothLayer(whole.bytes.data(), c.width, c.height);
        const LayerArea ink = {c.left, c.top, c.right, c.bottom};
        // A layer holding only its part of the whole, cut out before softening.
        const LayerArea window = SmoothingWindow(ink, c.width, c.height);
        auto cut = [&](Picture& from, const LayerArea& part) {
            Picture piece(part.right - part.left, part.bottom - part.top);
            for (int y = part.top; y < part.bottom; ++y) {
                std::memcpy(piece.Pixel(0, part.bottom - 1 - y), from.Pixel(part.left, c.height - 1 - y),
                            3 * size_t(piece.width));
            }
            return piece;
        };
        Picture piece = cut(layer, window);
        EXPECT_TRUE(SmoothLayerWindow(piece.bytes.data(), window, c.width, c.height, ink));
        EXPECT_EQ(piece.bytes, cut(whole, window).bytes);
        // One pixel short on any side is refused and left alone.
        for (int side = 0; side < 4; ++side) {
            LayerArea smaller = window;
            (side == 0   ? smaller.left
             : side == 1 ? smaller.top
             : side == 2 ? smaller.right
                         : smaller.bottom) += side < 2 ? 1 : -1;
            if (smaller.right > smaller.left && smaller.bottom > smaller.top) {
                Picture shorter = cut(layer, smaller);
                const Buffer before = shorter.bytes;
                EXPECT_FALSE(SmoothLayerWindow(shorter.bytes.data(), smaller, c.width, c.height, ink)) << side;
                EXPECT_EQ(shorter.bytes, before);
            }
        }
        SmoothLayerArea(layer.bytes.data(), c.width, c.height, ink);
        EXPECT_EQ(layer.bytes, whole.bytes);
        const LayerArea area = SmoothedArea(ink, c.width, c.height);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) {
                    const uint8_t* p = whole.Pixel(x, c.height - 1 - y);
                    ASSERT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
                }
            }
        }
    }
    // No ink, no area.
    const LayerArea none = SmoothedArea(LayerArea{5, 5, 5, 9}, 20, 20);
    EXPECT_EQ(none.right - none.left, 0);
}
