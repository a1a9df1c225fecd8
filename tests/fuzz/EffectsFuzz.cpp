// The region effects and text layers on buffers, lasso masks, block sizes and
// radii of fuzzed shape, against plain implementations of what the header
// promises: the mosaic's blocks, the blur's mean over 2r x 2r pixels (from a
// summed-area table here), a paint's byte arithmetic, and the dividers.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Compose.h"
#include "engine/Effects.h"

namespace {

struct Buffers {
    size_t stride;
    size_t bytes;
    std::unique_ptr<uint8_t[]> working, display, mask;
};

void CheckMosaic(const Buffers& b, int width, int height, int blockSize, const std::vector<uint8_t>& before) {
    std::vector<uint8_t> display(before);
    bool done = MosaicRegion(b.working.get(), display.data(), b.mask.get(), width, height, blockSize);
    FUZZ_CHECK(done == (blockSize > 0));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            size_t at = b.stride * size_t(y) + 3 * size_t(x);
            const uint8_t* expected = &before[at];
            if (done && b.mask[at]) {
                expected =
                    &b.working[b.stride * size_t(y / blockSize * blockSize) + 3 * size_t(x / blockSize * blockSize)];
            }
            FUZZ_CHECK(std::memcmp(&display[at], expected, 3) == 0);
        }
    }
}

void CheckBlur(const Buffers& b, int width, int height, int r, const std::vector<uint8_t>& before) {
    std::vector<uint8_t> display(before);
    bool done = BlurRegion(b.working.get(), display.data(), b.mask.get(), width, height, r);
    if (r <= 0) {
        FUZZ_CHECK(!done && display == before);
        return;
    }
    FUZZ_CHECK(done);
    // Sums over [0, x) x [0, y) per colour byte.
    const size_t columns = size_t(width) + 1;
    std::vector<uint64_t> table(columns * (size_t(height) + 1) * 3, 0);
    auto sumAt = [&](int x, int y, int c) -> uint64_t& {
        return table[(size_t(y) * columns + size_t(x)) * 3 + size_t(c)];
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                sumAt(x + 1, y + 1, c) = sumAt(x, y + 1, c) + sumAt(x + 1, y, c) - sumAt(x, y, c) +
                                         b.working[b.stride * size_t(y) + 3 * size_t(x) + size_t(c)];
            }
        }
    }
    const uint64_t area = 4 * uint64_t(r) * uint64_t(r);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            size_t at = b.stride * size_t(y) + 3 * size_t(x);
            bool inner = x >= r && x + r <= width - 1 && y >= r && y + r <= height - 1;
            for (int c = 0; c < 3; ++c) {
                uint8_t expected = before[at + size_t(c)];
                if (inner && b.mask[at]) {
                    uint64_t sum = sumAt(x + r, y + r, c) - sumAt(x - r, y + r, c) - sumAt(x + r, y - r, c) +
                                   sumAt(x - r, y - r, c);
                    expected = uint8_t(sum / area);
                }
                FUZZ_CHECK(display[at + size_t(c)] == expected);
            }
        }
    }
}

void CheckCompose(FuzzedDataProvider& data, size_t count, bool tint) {
    std::vector<std::vector<uint8_t>> layers(5);
    for (auto& layer : layers) {
        layer = data.ConsumeBytes<uint8_t>(count);
        layer.resize(count, 0);
    }
    std::vector<uint8_t> frame = data.ConsumeBytes<uint8_t>(count);
    frame.resize(count, 0x80);
    std::vector<uint8_t> expected(frame);
    for (size_t i = 0; i < count; ++i) {
        int c = expected[i];
        c = std::max(0, c - layers[1][i]);
        if (layers[0][i]) {
            c = (c + 5 * layers[0][i]) / 6;
        }
        c = std::min(255, std::max(0, c + layers[2][i] - layers[3][i]));
        if (tint) {
            c = std::min(255, c + layers[4][i]);
        }
        expected[i] = uint8_t(c);
    }
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[count ? count : 1]);
    std::copy(frame.begin(), frame.end(), buffer.get());
    LayerPixels pixels{layers[0].data(), layers[1].data(), layers[2].data(), layers[3].data(), layers[4].data()};
    ComposeFrame(buffer.get(), count, pixels, tint);
    FUZZ_CHECK(std::equal(expected.begin(), expected.end(), buffer.get()));
}

void CheckDividers(FuzzedDataProvider& data) {
    uint32_t divisor = data.ConsumeIntegralInRange<uint32_t>(1, 1u << 20);
    uint32_t largest = data.ConsumeIntegralInRange<uint32_t>(0, (1u << 30) - 1);
    uint32_t sum = data.ConsumeIntegralInRange<uint32_t>(0, largest);
    FUZZ_CHECK(ExactDivider(divisor, largest)(sum) == sum / divisor);
    uint32_t r = data.ConsumeIntegralInRange<uint32_t>(1, ShortDivider::kLargestRadius);
    uint32_t area = 4 * r * r;
    uint32_t blurSum = data.ConsumeIntegralInRange<uint32_t>(0, 255 * area);
    FUZZ_CHECK(ShortDivider(area)(blurSum) == blurSum / area);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    // Mostly small pictures; sometimes one wide enough for the radii beyond
    // the single-precision divider.
    bool large = data.ConsumeIntegralInRange(0, 15) == 0;
    int width = data.ConsumeIntegralInRange(1, large ? 260 : 48);
    int height = data.ConsumeIntegralInRange(1, large ? 200 : 48);
    int blockSize = data.ConsumeIntegralInRange(-1, 40);
    int radius = data.ConsumeBool() ? data.ConsumeIntegralInRange(-1, 12) : data.ConsumeIntegralInRange(-1, 130);
    bool tint = data.ConsumeBool();
    CheckDividers(data);

    Buffers b;
    b.stride = RowStride(width);
    b.bytes = b.stride * size_t(height);
    b.working.reset(new uint8_t[b.bytes]);
    b.display.reset(new uint8_t[b.bytes]);
    b.mask.reset(new uint8_t[b.bytes]);
    // The mask in runs, as a filled lasso gives them, or pixel by pixel.
    bool runs = data.ConsumeBool();
    bool selected = false;
    for (size_t i = 0; i < b.bytes; i += 3) {
        if (!runs || data.ConsumeIntegralInRange(0, 15) == 0) {
            selected = data.ConsumeBool();
        }
        for (size_t k = i; k < i + 3 && k < b.bytes; ++k) {
            b.mask[k] = selected ? 0xFF : 0;
        }
    }
    std::vector<uint8_t> pixels = data.ConsumeBytes<uint8_t>(b.bytes);
    pixels.resize(b.bytes, 0x5A);
    std::memcpy(b.working.get(), pixels.data(), b.bytes);
    std::vector<uint8_t> before(b.bytes);
    for (size_t i = 0; i < b.bytes; ++i) {
        before[i] = uint8_t(pixels[i] ^ 0xFF);
    }

    CheckMosaic(b, width, height, blockSize, before);
    CheckBlur(b, width, height, radius, before);

    std::memcpy(b.display.get(), pixels.data(), b.bytes);
    SmoothLayer(b.display.get(), width, height);
    if (height <= 3 || width <= 1) {
        FUZZ_CHECK(std::memcmp(b.display.get(), pixels.data(), b.bytes) == 0);
    }

    CheckCompose(data, data.ConsumeIntegralInRange<size_t>(0, 300), tint);
    return 0;
}
