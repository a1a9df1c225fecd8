#include "engine/Compose.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/Parallel.h"

namespace {

// One loop over all bytes in 16-bit arithmetic (every intermediate fits), no
// branches in the body, so that the compiler turns it into vector code. The
// division by 6 is a multiply-high: (x * 10923) >> 16 equals x / 6 for every
// x up to 5 * 255 + 255.
template <bool kTint>
void ComposeBytes(uint8_t* __restrict frame,
                  size_t count,
                  const uint8_t* __restrict l0,
                  const uint8_t* __restrict l1,
                  const uint8_t* __restrict l2,
                  const uint8_t* __restrict l3,
                  const uint8_t* __restrict overlay) {
    for (size_t i = 0; i < count; ++i) {
        int16_t c = frame[i];
        int16_t soft = l1[i];
        c = c > soft ? int16_t(c - soft) : int16_t(0);
        uint16_t sharp = l0[i];
        uint16_t mixed = uint16_t((uint32_t(uint16_t(c + 5 * sharp)) * 10923u) >> 16);
        c = sharp ? int16_t(mixed) : c;
        c = int16_t(c + l2[i] - l3[i]);
        c = c < 0 ? int16_t(0) : (c > 255 ? int16_t(255) : c);
        if (kTint) {
            c = int16_t(c + overlay[i]);
            c = c > 255 ? int16_t(255) : c;
        }
        frame[i] = uint8_t(c);
    }
}

// The passes of ComposeBytes one at a time, each over the bytes its layers
// cover: between passes every byte is in 0..255, so running them one after
// another gives the bytes of the single loop.
void CopyrightBytes(uint8_t* __restrict c, size_t count, const uint8_t* __restrict l0, const uint8_t* __restrict l1) {
    for (size_t i = 0; i < count; ++i) {
        int16_t value = c[i];
        int16_t soft = l1[i];
        value = value > soft ? int16_t(value - soft) : int16_t(0);
        uint16_t sharp = l0[i];
        uint16_t mixed = uint16_t((uint32_t(uint16_t(value + 5 * sharp)) * 10923u) >> 16);
        c[i] = uint8_t(sharp ? mixed : uint16_t(value));
    }
}

void WatermarkBytes(uint8_t* __restrict c, size_t count, const uint8_t* __restrict l2, const uint8_t* __restrict l3) {
    for (size_t i = 0; i < count; ++i) {
        int16_t value = int16_t(c[i] + l2[i] - l3[i]);
        c[i] = uint8_t(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
}

void TintBytes(uint8_t* __restrict c, size_t count, const uint8_t* __restrict overlay) {
    for (size_t i = 0; i < count; ++i) {
        int16_t value = int16_t(c[i] + overlay[i]);
        c[i] = uint8_t(value > 255 ? 255 : value);
    }
}

}  // namespace

PixelBox Intersection(const PixelBox& a, const PixelBox& b) {
    PixelBox box = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    if (box.Empty()) {
        return PixelBox{};
    }
    return box;
}

void ComposeBox(const PixelPlane& picture,
                const LayerPair& copyright,
                const LayerPair& watermark,
                const uint8_t* overlay,
                PixelBox box,
                uint8_t* out,
                size_t outStride) {
    box = Intersection(box, PixelBox{0, 0, picture.width, picture.height});
    if (!picture.bits || !out || box.Empty()) {
        return;
    }
    auto pairArea = [&](const LayerPair& pair) {
        return pair.sharp && pair.soft ? Intersection(pair.area, box) : PixelBox{};
    };
    const PixelBox copyrightArea = pairArea(copyright);
    const PixelBox watermarkArea = pairArea(watermark);
    const int rows = box.bottom - box.top;
    ParallelFor(rows, 32, [&](int begin, int end) {
        for (int row = begin; row < end; ++row) {
            const int y = box.top + row;
            const size_t source = picture.stride * size_t(picture.height - 1 - y);
            uint8_t* target = out + outStride * size_t(rows - 1 - row);
            const uint8_t* from = picture.bits + source + 3 * size_t(box.left);
            const size_t bytes = 3 * size_t(box.right - box.left);
            if (target != from) {
                std::memcpy(target, from, bytes);
            }
            auto span = [&](const PixelBox& area, auto apply, const uint8_t* a, const uint8_t* b) {
                if (area.Empty() || y < area.top || y >= area.bottom) {
                    return;
                }
                const size_t at = source + 3 * size_t(area.left);
                apply(target + 3 * size_t(area.left - box.left), 3 * size_t(area.right - area.left), a + at, b + at);
            };
            span(copyrightArea, CopyrightBytes, copyright.sharp, copyright.soft);
            span(watermarkArea, WatermarkBytes, watermark.sharp, watermark.soft);
            if (overlay) {
                TintBytes(target, bytes, overlay + source + 3 * size_t(box.left));
            }
        }
    });
}

void ComposeFrame(uint8_t* frame, size_t count, const LayerPixels& layers, bool tint) {
    // Every byte stands alone, so the frame is cut into pieces of whole cache
    // lines for the cores.
    if (!frame || !layers.copyrightSharp || !layers.copyrightSoft || !layers.watermarkSharp || !layers.watermarkSoft) {
        return;
    }
    tint = tint && layers.overlay;
    const size_t piece = 64;
    const size_t pieces = (count + piece - 1) / piece;
    if (pieces > size_t(INT32_MAX)) {
        return;
    }
    ParallelFor(int(pieces), 2048, [&](int begin, int end) {
        size_t from = size_t(begin) * piece;
        size_t n = std::min(count, size_t(end) * piece) - from;
        auto at = [from](const uint8_t* layer) { return layer ? layer + from : nullptr; };
        if (tint) {
            ComposeBytes<true>(frame + from, n, at(layers.copyrightSharp), at(layers.copyrightSoft),
                               at(layers.watermarkSharp), at(layers.watermarkSoft), at(layers.overlay));
        } else {
            ComposeBytes<false>(frame + from, n, at(layers.copyrightSharp), at(layers.copyrightSoft),
                                at(layers.watermarkSharp), at(layers.watermarkSoft), nullptr);
        }
    });
}
