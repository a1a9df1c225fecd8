// The GIF palette of a picture of any size and colours: at most 256 entries,
// every pixel's index inside it, and exact when the picture has 256 colours
// or fewer.
#include <set>
#include <vector>

#include "FuzzSupport.h"
#include "imaging/Palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    int width = data.ConsumeIntegralInRange(1, 96);
    int height = data.ConsumeIntegralInRange(1, 96);
    // Few colours drawn from a small set reach the exact palette; raw bytes
    // mostly the median cut.
    int colourCount = data.ConsumeIntegralInRange(0, 300);
    std::vector<uint32_t> colours;
    for (int i = 0; i < colourCount; ++i) {
        colours.push_back(data.ConsumeIntegral<uint32_t>() & 0xFFFFFFu);
    }
    PixelImage image;
    FUZZ_CHECK(AllocatePixels(image, width, height) == 0);
    std::set<uint32_t> distinct;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.DisplayRow(y);
        for (int x = 0; x < width; ++x, p += 3) {
            uint32_t colour = colours.empty() ? data.ConsumeIntegral<uint32_t>() & 0xFFFFFFu
                                              : colours[data.ConsumeIntegralInRange<size_t>(0, colours.size() - 1)];
            p[0] = static_cast<uint8_t>(colour);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour >> 16);
            distinct.insert(colour);
        }
    }

    IndexedPixels out;
    FUZZ_CHECK(QuantizePixels(image, out) == 0);
    FUZZ_CHECK(!out.palette.empty() && out.palette.size() <= 256);
    FUZZ_CHECK(out.indices.size() == static_cast<size_t>(width) * static_cast<size_t>(height));
    const uint8_t* index = out.indices.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = image.DisplayRow(y);
        for (int x = 0; x < width; ++x, p += 3, ++index) {
            FUZZ_CHECK(*index < out.palette.size());
            if (distinct.size() <= 256) {
                uint32_t colour = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
                FUZZ_CHECK(out.palette[*index] == colour);
            }
        }
    }
    FUZZ_CHECK(out.palette.size() <= distinct.size());
    return 0;
}
