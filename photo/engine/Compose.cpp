#include "engine/Compose.h"

#include <algorithm>
#include <cstdint>

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

}  // namespace

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
