#include "engine/Compose.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/Parallel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The passes of ComposeBytes that apply to one stretch of a row, fused into
// one loop from the picture's bytes `from` into `to` (which may be the same
// memory): each pass keeps every byte in 0..255, so leaving out the passes
// whose layers are black there changes nothing. Sixteen bytes at a time in
// saturating and 16-bit arithmetic where SSE2 is at hand.
template <bool kCopyright, bool kWatermark, bool kTint>
void FusedBytes(uint8_t* to,
                const uint8_t* from,
                size_t count,
                const uint8_t* l0,
                const uint8_t* l1,
                const uint8_t* l2,
                const uint8_t* l3,
                const uint8_t* overlay) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i sixth = _mm_set1_epi16(10923);
    const __m128i five = _mm_set1_epi16(5);
    auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; i + 16 <= count; i += 16) {
        __m128i c = load(from + i);
        if (kCopyright) {
            const __m128i sharp = load(l0 + i);
            c = _mm_subs_epu8(c, load(l1 + i));
            // (c + 5 sharp) / 6 in 16 bits, both halves; kept where sharp is 0.
            auto mix = [&](__m128i value, __m128i ink) {
                return _mm_mulhi_epu16(_mm_add_epi16(value, _mm_mullo_epi16(ink, five)), sixth);
            };
            const __m128i mixed = _mm_packus_epi16(mix(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(sharp, zero)),
                                                   mix(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(sharp, zero)));
            const __m128i none = _mm_cmpeq_epi8(sharp, zero);
            c = _mm_or_si128(_mm_and_si128(none, c), _mm_andnot_si128(none, mixed));
        }
        if (kWatermark) {
            const __m128i up = load(l2 + i), down = load(l3 + i);
            const __m128i low = _mm_sub_epi16(_mm_add_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(up, zero)),
                                              _mm_unpacklo_epi8(down, zero));
            const __m128i high = _mm_sub_epi16(_mm_add_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(up, zero)),
                                               _mm_unpackhi_epi8(down, zero));
            c = _mm_packus_epi16(low, high);
        }
        if (kTint) {
            c = _mm_adds_epu8(c, load(overlay + i));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), c);
    }
#endif
    for (; i < count; ++i) {
        int value = from[i];
        if (kCopyright) {
            value = std::max(0, value - l1[i]);
            if (l0[i]) {
                value = (value + 5 * l0[i]) / 6;
            }
        }
        if (kWatermark) {
            value = std::clamp(value + l2[i] - l3[i], 0, 255);
        }
        if (kTint) {
            value = std::min(255, value + overlay[i]);
        }
        to[i] = uint8_t(value);
    }
}

using FusedFunction = void (*)(uint8_t*,
                               const uint8_t*,
                               size_t,
                               const uint8_t*,
                               const uint8_t*,
                               const uint8_t*,
                               const uint8_t*,
                               const uint8_t*);

FusedFunction FusedFor(bool copyright, bool watermark, bool tint) {
    static const FusedFunction table[8] = {
        FusedBytes<false, false, false>, FusedBytes<false, false, true>, FusedBytes<false, true, false>,
        FusedBytes<false, true, true>,   FusedBytes<true, false, false>, FusedBytes<true, false, true>,
        FusedBytes<true, true, false>,   FusedBytes<true, true, true>,
    };
    return table[(copyright ? 4 : 0) + (watermark ? 2 : 0) + (tint ? 1 : 0)];
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
        return pair.sharp && pair.soft ? Intersection(Intersection(pair.area, pair.box), box) : PixelBox{};
    };
    // Byte offset of picture pixel (x, y) in a pair's layers.
    auto layerAt = [](const LayerPair& pair, int x, int y) {
        const size_t stride = (size_t(pair.box.right - pair.box.left) * 3 + 3) & ~size_t(3);
        return stride * size_t(pair.box.bottom - 1 - y) + 3 * size_t(x - pair.box.left);
    };
    const PixelBox copyrightArea = pairArea(copyright);
    const PixelBox watermarkArea = pairArea(watermark);
    const int rows = box.bottom - box.top;
    // A narrow box (a crosshair's column, say) is not worth waking the
    // workers for: bands of at least about 256 KiB each.
    const int grain = std::max(64, int((size_t(256) << 10) / (3 * size_t(box.right - box.left))));
    ParallelFor(rows, grain, [&](int begin, int end) {
        for (int row = begin; row < end; ++row) {
            const int y = box.top + row;
            const size_t source = picture.stride * size_t(picture.height - 1 - y);
            uint8_t* target = out + outStride * size_t(rows - 1 - row);
            // The row cut where either text's area begins or ends: in each
            // piece the same passes apply.
            const bool inCopyright = !copyrightArea.Empty() && y >= copyrightArea.top && y < copyrightArea.bottom;
            const bool inWatermark = !watermarkArea.Empty() && y >= watermarkArea.top && y < watermarkArea.bottom;
            int cuts[6] = {box.left, box.right, box.right, box.right, box.right, box.right};
            int cutCount = 2;
            auto cutAt = [&](int x) {
                if (x > box.left && x < box.right) {
                    cuts[cutCount++] = x;
                }
            };
            if (inCopyright) {
                cutAt(copyrightArea.left);
                cutAt(copyrightArea.right);
            }
            if (inWatermark) {
                cutAt(watermarkArea.left);
                cutAt(watermarkArea.right);
            }
            for (int i = 1; i < cutCount; ++i) {  // at most six: by insertion
                for (int j = i; j > 0 && cuts[j - 1] > cuts[j]; --j) {
                    std::swap(cuts[j - 1], cuts[j]);
                }
            }
            for (int piece = 0; piece + 1 < cutCount; ++piece) {
                const int left = cuts[piece], right = cuts[piece + 1];
                if (right <= left) {
                    continue;
                }
                const bool copyrightHere = inCopyright && left >= copyrightArea.left && right <= copyrightArea.right;
                const bool watermarkHere = inWatermark && left >= watermarkArea.left && right <= watermarkArea.right;
                const size_t at = source + 3 * size_t(left);
                uint8_t* to = target + 3 * size_t(left - box.left);
                const size_t bytes = 3 * size_t(right - left);
                if (!copyrightHere && !watermarkHere && !overlay) {
                    if (to != picture.bits + at) {
                        std::memcpy(to, picture.bits + at, bytes);
                    }
                    continue;
                }
                const size_t c = copyrightHere ? layerAt(copyright, left, y) : 0;
                const size_t w = watermarkHere ? layerAt(watermark, left, y) : 0;
                FusedFor(copyrightHere, watermarkHere, overlay != nullptr)(
                    to, picture.bits + at, bytes, copyrightHere ? copyright.sharp + c : nullptr,
                    copyrightHere ? copyright.soft + c : nullptr, watermarkHere ? watermark.sharp + w : nullptr,
                    watermarkHere ? watermark.soft + w : nullptr, overlay ? overlay + at : nullptr);
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
