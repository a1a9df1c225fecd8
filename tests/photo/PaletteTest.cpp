#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/Palette.h"

namespace {

PixelImage Fill(int width, int height, uint32_t (*colour)(int, int)) {
    PixelImage image;
    EXPECT_EQ(AllocatePixels(image, width, height), 0u);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y);
            uint8_t* p = image.DisplayRow(y) + x * 3;
            p[0] = uint8_t(c);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c >> 16);
        }
    }
    return image;
}

uint32_t Pixel(const PixelImage& image, int x, int y) {
    const uint8_t* p = image.DisplayRow(y) + x * 3;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

TEST(QuantizePixels, KeepsEveryColourOfAPictureWithFewColours) {
    for (int colours : {1, 5, 255, 256}) {
        static int n;
        n = colours;
        PixelImage image =
            Fill(37, 29, [](int x, int y) { return uint32_t(((x * 7 + y * 3) % n) * 0x010305u + 0x102030u); });
        IndexedPixels out;
        ASSERT_EQ(QuantizePixels(image, out), 0u);
        EXPECT_LE(out.palette.size(), size_t(colours));
        ASSERT_EQ(out.indices.size(), size_t(37 * 29));
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                ASSERT_EQ(out.palette[out.indices[size_t(y) * 37 + size_t(x)]], Pixel(image, x, y)) << colours;
            }
        }
    }
}

TEST(QuantizePixels, ApproximatesAPictureWithManyColoursClosely) {
    // 65536 colours: red and green ramps with a blue pattern.
    PixelImage image = Fill(256, 256, [](int x, int y) { return uint32_t(x << 16 | y << 8 | ((x ^ y) & 0x3F)); });
    IndexedPixels out;
    ASSERT_EQ(QuantizePixels(image, out), 0u);
    EXPECT_EQ(out.palette.size(), 256u);
    double error = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            uint32_t a = Pixel(image, x, y), b = out.palette[out.indices[size_t(y) * 256 + size_t(x)]];
            for (int shift : {0, 8, 16}) {
                error += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
            }
        }
    }
    EXPECT_LT(error / (256 * 256 * 3), 8.0);
}

}  // namespace
