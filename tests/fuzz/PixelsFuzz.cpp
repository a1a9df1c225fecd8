// The image library's pixel work on pictures and requests of fuzzed sizes:
// resampling, quarter turns, crops, mirroring and EXIF orientations keep
// every pixel where it belongs and the row padding zero.
#include <cstring>

#include "FuzzSupport.h"
#include "imaging/Pixels.h"

namespace {

uint32_t PixelAt(const PixelImage& image, int x, int y) {
    const uint8_t* p = image.DisplayRow(y) + size_t(x) * 3;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void CheckPadding(const PixelImage& image) {
    FUZZ_CHECK(image.stride == StrideOf(image.width));
    size_t used = size_t(image.width) * 3;
    for (int row = 0; row < image.height; ++row) {
        for (size_t i = used; i < image.stride; ++i) {
            FUZZ_CHECK(image.BufferRow(row)[i] == 0);
        }
    }
}

bool SamePixels(const PixelImage& a, const PixelImage& b) {
    return a.width == b.width && a.height == b.height && std::memcmp(a.bits.get(), b.bits.get(), a.ByteCount()) == 0;
}

void CheckResize(const PixelImage& from, int width, int height, bool uniform) {
    int w = 0, h = 0;
    bool possible = ResolveResize(from.width, from.height, width, height, &w, &h);
    PixelImage to;
    uint32_t error = ResizePixels(from, width, height, to);
    FUZZ_CHECK((error == 0) == possible);
    if (error) {
        return;
    }
    FUZZ_CHECK(to.width == w && to.height == h);
    CheckPadding(to);
    if (w == from.width && h == from.height) {
        FUZZ_CHECK(SamePixels(from, to));
    }
    if (uniform) {
        // Weights that sum to one keep a plain colour (within rounding).
        const uint8_t* sample = from.BufferRow(0);
        for (int row = 0; row < to.height; ++row) {
            for (int i = 0; i < to.width * 3; ++i) {
                int difference = int(to.BufferRow(row)[i]) - int(sample[i % 3]);
                FUZZ_CHECK(difference >= -1 && difference <= 1);
            }
        }
    }
}

void CheckRotate(const PixelImage& from, int degrees) {
    PixelImage to;
    uint32_t error = RotatePixels(from, degrees, to);
    FUZZ_CHECK((error == 0) == (degrees == 90 || degrees == 180 || degrees == 270));
    if (error) {
        return;
    }
    CheckPadding(to);
    const int W = from.width, H = from.height;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            uint32_t colour = PixelAt(from, x, y);
            if (degrees == 90) {
                FUZZ_CHECK(to.width == H && to.height == W && PixelAt(to, H - 1 - y, x) == colour);
            } else if (degrees == 180) {
                FUZZ_CHECK(to.width == W && to.height == H && PixelAt(to, W - 1 - x, H - 1 - y) == colour);
            } else {
                FUZZ_CHECK(to.width == H && to.height == W && PixelAt(to, y, W - 1 - x) == colour);
            }
        }
    }
}

void CheckCrop(const PixelImage& from, int64_t x, int64_t y, int64_t width, int64_t height) {
    PixelImage to;
    uint32_t error = CropPixels(from, x, y, width, height, to);
    // The rectangle clipped to the picture, in 128 bits: x + width may lie
    // beyond 64.
    __int128 left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
    __int128 right = static_cast<__int128>(x) + width, bottom = static_cast<__int128>(y) + height;
    right = right > from.width ? from.width : right;
    bottom = bottom > from.height ? from.height : bottom;
    bool inside = width > 0 && height > 0 && left < right && top < bottom;
    FUZZ_CHECK((error == 0) == inside);
    if (error) {
        return;
    }
    FUZZ_CHECK(to.width == int(right - left) && to.height == int(bottom - top));
    CheckPadding(to);
    for (int row = 0; row < to.height; ++row) {
        for (int column = 0; column < to.width; ++column) {
            FUZZ_CHECK(PixelAt(to, column, row) == PixelAt(from, int(left) + column, int(top) + row));
        }
    }
}

void CheckMirrorAndOrientation(const PixelImage& from, int orientation) {
    PixelImage copy;
    FUZZ_CHECK(AllocatePixels(copy, from.width, from.height) == 0);
    std::memcpy(copy.bits.get(), from.bits.get(), from.ByteCount());
    MirrorPixels(copy);
    CheckPadding(copy);
    for (int y = 0; y < from.height; ++y) {
        for (int x = 0; x < from.width; ++x) {
            FUZZ_CHECK(PixelAt(copy, from.width - 1 - x, y) == PixelAt(from, x, y));
        }
    }
    MirrorPixels(copy);
    FUZZ_CHECK(SamePixels(copy, from));

    FUZZ_CHECK(ApplyOrientation(copy, orientation) == 0);
    CheckPadding(copy);
    bool swapped = orientation >= 5 && orientation <= 8;
    FUZZ_CHECK(copy.width == (swapped ? from.height : from.width));
    FUZZ_CHECK(copy.height == (swapped ? from.width : from.height));
    if (orientation < 2 || orientation > 8) {
        FUZZ_CHECK(SamePixels(copy, from));
    }
}

// Mostly small values around the picture, sometimes anything at all.
int64_t Position(FuzzedDataProvider& data) {
    return data.ConsumeIntegralInRange(0, 3) == 0 ? data.ConsumeIntegral<int64_t>()
                                                  : data.ConsumeIntegralInRange<int64_t>(-40, 120);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    // Small pictures: the edge cases of the filters lie in sides of a few
    // pixels and in the ratios between them, not in the size.
    int width = data.ConsumeIntegralInRange(1, 64);
    int height = data.ConsumeIntegralInRange(1, 64);
    int resizeWidth = data.ConsumeIntegralInRange(-2, 120);
    int resizeHeight = data.ConsumeIntegralInRange(-2, 120);
    int degrees = data.ConsumeBool() ? 90 * data.ConsumeIntegralInRange(0, 4) : data.ConsumeIntegral<int>();
    int orientation = data.ConsumeIntegralInRange(-1, 10);
    int64_t x = Position(data), y = Position(data), w = Position(data), h = Position(data);
    bool uniform = data.ConsumeIntegralInRange(0, 3) == 0;

    PixelImage image;
    FUZZ_CHECK(AllocatePixels(image, width, height) == 0);
    CheckPadding(image);
    uint8_t colour[3] = {data.ConsumeIntegral<uint8_t>(), data.ConsumeIntegral<uint8_t>(),
                         data.ConsumeIntegral<uint8_t>()};
    for (int row = 0; row < height; ++row) {
        uint8_t* p = image.BufferRow(row);
        for (int i = 0; i < width * 3; ++i) {
            p[i] = uniform ? colour[i % 3] : data.ConsumeIntegral<uint8_t>();
        }
    }

    CheckResize(image, resizeWidth, resizeHeight, uniform);
    CheckRotate(image, degrees);
    CheckCrop(image, x, y, w, h);
    CheckMirrorAndOrientation(image, orientation);
    return 0;
}
