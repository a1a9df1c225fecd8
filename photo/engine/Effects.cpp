#include "engine/Effects.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/Parallel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
unsigned BitLength(uint32_t value) {
    unsigned bits = 0;
    while (value) {
        ++bits;
        value >>= 1;
    }
    return bits;
}
}  // namespace

ExactDivider::ExactDivider(uint32_t divisor, uint32_t largestSum) {
    shift = BitLength(largestSum) + BitLength(divisor);
    multiplier = static_cast<uint32_t>(((uint64_t(1) << shift) / divisor) + 1);
}

namespace {

// Sums of one colour byte over 2r neighbouring pixels of a row, for the
// output pixels x = r .. width - r - 1: sums[j] covers pixels j / 3 .. j / 3 +
// 2r - 1 of colour j % 3. A running sum per colour: one add and one subtract
// per byte, whatever r is.
template <typename Sum>
void WindowSumsOfRow(const uint8_t* row, size_t count, size_t span, Sum* sums) {
    uint32_t s0 = 0, s1 = 0, s2 = 0;
    for (size_t k = 0; k < span; k += 3) {
        s0 += row[k];
        s1 += row[k + 1];
        s2 += row[k + 2];
    }
    sums[0] = static_cast<Sum>(s0);
    sums[1] = static_cast<Sum>(s1);
    sums[2] = static_cast<Sum>(s2);
    size_t j = 3;
#if defined(__SSE2__)
    if (sizeof(Sum) == 2) {
        // sums[j] = sums[j - 3] + d[j], d[j] = row[j - 3 + span] - row[j - 3]:
        // a prefix sum with stride 3, eight 16-bit lanes at a time (16-bit
        // arithmetic wraps, and every true sum fits). Within a block, adding
        // the block moved by 3 and then by 6 lanes sums each lane's d over its
        // colour; the three last sums of the previous block, repeated in the
        // colour pattern, carry the rest.
        const __m128i zero = _mm_setzero_si128();
        __m128i previous =
            _mm_set_epi16(static_cast<short>(s2), static_cast<short>(s1), static_cast<short>(s0), 0, 0, 0, 0, 0);
        for (; j + 8 <= count; j += 8) {
            __m128i entering =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + j - 3 + span)), zero);
            __m128i leaving = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + j - 3)), zero);
            __m128i d = _mm_sub_epi16(entering, leaving);
            d = _mm_add_epi16(d, _mm_slli_si128(d, 6));
            d = _mm_add_epi16(d, _mm_slli_si128(d, 12));
            __m128i last = _mm_srli_si128(previous, 10);
            __m128i carry = _mm_or_si128(last, _mm_or_si128(_mm_slli_si128(last, 6), _mm_slli_si128(last, 12)));
            previous = _mm_add_epi16(d, carry);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + j), previous);
        }
    }
#endif
    for (; j < count; ++j) {
        sums[j] = static_cast<Sum>(sums[j - 3] + row[j - 3 + span] - row[j - 3]);
    }
}

// From byte j (the first of a pixel), the first pixel whose mask is not
// `selected` (non-zero blue byte), as a byte offset; `count` when the run goes
// to the end. Sixteen pixels are looked at a time where vectors allow.
size_t RunEnd(const uint8_t* mask, size_t j, size_t count, bool selected) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const uint64_t blueBytes = 0x249249249249ull;  // bits 0, 3, ..., 45
    for (; j + 48 <= count; j += 48) {
        const __m128i* chunk = reinterpret_cast<const __m128i*>(mask + j);
        uint64_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(chunk), zero))) |
                         static_cast<uint64_t>(
                             static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(chunk + 1), zero))))
                             << 16 |
                         static_cast<uint64_t>(
                             static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(chunk + 2), zero))))
                             << 32;
        uint64_t stops = (selected ? zeros : ~zeros) & blueBytes;
        if (stops) {
            return j + static_cast<size_t>(__builtin_ctzll(stops));
        }
    }
#endif
    while (j < count && (mask[j] != 0) == selected) {
        j += 3;
    }
    return j;
}

// The blur as running sums: each row's horizontal window sums are made once,
// kept in a ring of the last 2r rows, and added to (and later taken from) a
// vertical total per byte; the total over the 2r x 2r window then needs one
// exact division. Row sums stay below 2r x 255, which fits 16 bits up to
// r = 128; larger radii keep them in 32 bits.
template <typename Sum, typename Divider>
void BlurRows(const uint8_t* working,
              uint8_t* display,
              const uint8_t* mask,
              int width,
              int r,
              const Divider& divide,
              int yBegin,
              int yEnd) {
    const size_t stride = RowStride(width);
    const size_t span = 6 * static_cast<size_t>(r);               // 2r pixels
    const size_t count = 3 * static_cast<size_t>(width - 2 * r);  // output bytes per row
    const size_t first = 3 * static_cast<size_t>(r);              // first output byte
    const size_t window = 2 * static_cast<size_t>(r);
    std::vector<std::vector<Sum>> ring(window, std::vector<Sum>(count));
    std::vector<Sum> fresh(count);
    std::vector<uint32_t> totals(count, 0);

    // The window of the first output row, rows yBegin - r to yBegin + r - 1;
    // row k always sits in ring slot k % 2r.
    for (size_t row = static_cast<size_t>(yBegin - r); row < static_cast<size_t>(yBegin + r); ++row) {
        Sum* sums = ring[row % window].data();
        WindowSumsOfRow(working + stride * row, count, span, sums);
        for (size_t j = 0; j < count; ++j) {
            totals[j] += sums[j];
        }
    }
    for (int y = yBegin; y < yEnd; ++y) {
        const uint8_t* maskRow = mask + stride * y + first;
        uint8_t* target = display + stride * y + first;
        uint32_t* t = totals.data();
        // Row y + r - 1 enters the window; its sums take the ring slot of row
        // y - r - 1, which leaves it. The band's first output row has its
        // window complete already.
        const bool moving = y > yBegin;
        std::vector<Sum>* slot = nullptr;
        if (moving) {
            size_t entering = static_cast<size_t>(y + r - 1);
            WindowSumsOfRow(working + stride * entering, count, span, fresh.data());
            slot = &ring[entering % window];
        }
        const Sum* in = fresh.data();
        const Sum* out = moving ? slot->data() : nullptr;
        // Selected pixels come in runs (a lasso region is filled): the totals
        // move on everywhere, the means are made only inside the runs, straight
        // into the picture.
        size_t j = 0;
        while (j < count) {
            size_t start = RunEnd(maskRow, j, count, false);
            size_t end = RunEnd(maskRow, start, count, true);
            if (moving) {
                for (size_t k = j; k < start; ++k) {
                    t[k] += static_cast<uint32_t>(in[k]) - out[k];
                }
                for (size_t k = start; k < end; ++k) {
                    uint32_t total = t[k] + in[k] - out[k];
                    t[k] = total;
                    target[k] = static_cast<uint8_t>(divide(total));
                }
            } else {
                for (size_t k = start; k < end; ++k) {
                    target[k] = static_cast<uint8_t>(divide(t[k]));
                }
            }
            j = end;
        }
        if (moving) {
            slot->swap(fresh);
        }
    }
}

}  // namespace

bool BlurRegion(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height, int radius) {
    if (!working || !display || !mask || width <= 0 || height <= 0 || radius <= 0) {
        return false;
    }
    const int r = radius;
    if (2 * static_cast<int64_t>(r) >= height || 2 * static_cast<int64_t>(r) >= width) {
        return true;
    }
    // The exact division needs sums below 2^30: radii up to about 1000.
    const uint64_t area = 4 * static_cast<uint64_t>(r) * r;
    if (area * 255 >= (uint64_t(1) << 30)) {
        return false;
    }
    // Bands of output rows, each starting its running sums afresh: the sums
    // are exact, so where a band starts changes no byte. A band's set-up
    // costs 2r rows, so bands are kept well above that.
    auto rows = [&](auto sum, const auto& divide) {
        using Sum = decltype(sum);
        return ParallelFor(height - 2 * r, std::max(64, 8 * r), [&](int begin, int end) {
            BlurRows<Sum>(working, display, mask, width, r, divide, r + begin, r + end);
        });
    };
    if (r <= ShortDivider::kLargestRadius) {
        return rows(uint16_t(0), ShortDivider(static_cast<uint32_t>(area)));
    }
    ExactDivider exact(static_cast<uint32_t>(area), static_cast<uint32_t>(255 * area));
    if (2 * r * 255 <= UINT16_MAX) {
        return rows(uint16_t(0), exact);
    }
    return rows(uint32_t(0), exact);
}

namespace {

// Pixels [begin, end) of a row take one colour: four-byte stores, each
// overlapping the next pixel's first byte, which that pixel then writes.
inline void FillPixels(uint8_t* row, int begin, int end, const uint8_t* colour) {
    uint32_t word = colour[0] | static_cast<uint32_t>(colour[1]) << 8 | static_cast<uint32_t>(colour[2]) << 16;
    uint8_t* p = row + 3 * static_cast<size_t>(begin);
    for (int x = begin; x < end - 1; ++x, p += 3) {
        std::memcpy(p, &word, 4);
    }
    p[0] = colour[0];
    p[1] = colour[1];
    p[2] = colour[2];
}

}  // namespace

bool MosaicRegion(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height, int blockSize) {
    if (!working || !display || !mask || width <= 0 || height <= 0 || blockSize <= 0) {
        return false;
    }
    const size_t stride = RowStride(width);
    const size_t count = 3 * static_cast<size_t>(width);
    // Selected pixels come in runs, found sixteen mask pixels at a time; each
    // run is filled block by block with the block's first pixel.
    return ParallelFor(height, std::max(1, 16384 / width), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uint8_t* maskRow = mask + stride * y;
            uint8_t* target = display + stride * y;
            const uint8_t* sampleRow = working + stride * (static_cast<size_t>(y / blockSize) * blockSize);
            size_t j = 0;
            while (j < count) {
                size_t start = RunEnd(maskRow, j, count, false);
                size_t stop = RunEnd(maskRow, start, count, true);
                int x = static_cast<int>(start / 3);
                const int runEnd = static_cast<int>(stop / 3);
                while (x < runEnd) {
                    int blockX = x / blockSize * blockSize;
                    int blockEnd = static_cast<int>(std::min<int64_t>(runEnd, int64_t(blockX) + blockSize));
                    FillPixels(target, x, blockEnd, sampleRow + 3 * static_cast<size_t>(blockX));
                    x = blockEnd;
                }
                j = stop;
            }
        }
    });
}

void SmoothLayer(uint8_t* bits, int width, int height) {
    if (!bits || height <= 3 || width <= 1) {
        return;
    }
    const ptrdiff_t stride = static_cast<ptrdiff_t>(RowStride(width));
    const ptrdiff_t lastOffset = 3 * static_cast<ptrdiff_t>(width) - 3;
    for (int y = 1; y <= height - 3; ++y) {
        uint8_t* row = bits + stride * y;
        // Each byte depends on the one three to its left, just written, so the
        // three colour chains run interleaved; above was written a row ago.
        for (ptrdiff_t i = 1; i <= lastOffset; ++i) {
            uint8_t* p = row + i;
            p[0] = static_cast<uint8_t>((p[-3] + p[3] + p[-stride] + p[stride]) >> 2);
        }
    }
}

LayerArea SmoothedArea(const LayerArea& ink, int width, int height) {
    LayerArea area = {std::max(ink.left - 1, 0), std::max(ink.top - 8, 0), std::min(ink.right + 8, width),
                      std::min(ink.bottom + 1, height)};
    if (ink.right <= ink.left || ink.bottom <= ink.top || area.right <= area.left || area.bottom <= area.top) {
        return LayerArea{};
    }
    // The pass runs through the ends of the rows: the last byte of a row reads
    // the first pixel of the next, the first bytes the end of the one before.
    // Ink at either end therefore reaches whole rows.
    if (area.left == 0 || area.right == width) {
        area.left = 0;
        area.right = width;
    }
    return area;
}

void SmoothLayerArea(uint8_t* bits, int width, int height, const LayerArea& ink) {
    SmoothLayerWindow(bits, LayerArea{0, 0, width, height}, width, height, ink);
}

LayerArea SmoothingWindow(const LayerArea& ink, int width, int height) {
    const LayerArea area = SmoothedArea(ink, width, height);
    if (area.right <= area.left) {
        return LayerArea{};
    }
    return LayerArea{std::max(area.left - 1, 0), std::max(area.top - 1, 0), std::min(area.right + 1, width),
                     std::min(area.bottom + 1, height)};
}

bool SmoothLayerWindow(uint8_t* bits, const LayerArea& window, int width, int height, const LayerArea& ink) {
    if (!bits || height <= 3 || width <= 1) {
        return true;
    }
    const LayerArea area = SmoothedArea(ink, width, height);
    if (area.right <= area.left) {
        return true;
    }
    const LayerArea need = SmoothingWindow(ink, width, height);
    if (window.left > need.left || window.top > need.top || window.right < need.right || window.bottom < need.bottom ||
        window.left < 0 || window.top < 0 || window.right > width || window.bottom > height) {
        return false;
    }
    const ptrdiff_t stride = static_cast<ptrdiff_t>(RowStride(window.right - window.left));
    // Displayed rows top..bottom are buffer rows height - bottom .. height - 1 - top
    // of the whole layer; the window's buffer row 0 is its row height - window.bottom.
    const int firstRow = std::max(1, height - area.bottom);
    const int lastRow = std::min(height - 3, height - 1 - area.top);
    const int rowShift = height - window.bottom;
    const ptrdiff_t firstOffset = std::max<ptrdiff_t>(1, 3 * static_cast<ptrdiff_t>(area.left));
    const ptrdiff_t lastOffset =
        std::min<ptrdiff_t>(3 * static_cast<ptrdiff_t>(width) - 3, 3 * static_cast<ptrdiff_t>(area.right) - 1);
    const ptrdiff_t offsetShift = 3 * static_cast<ptrdiff_t>(window.left);
    for (int y = firstRow; y <= lastRow; ++y) {
        uint8_t* row = bits + stride * (y - rowShift);
        for (ptrdiff_t i = firstOffset; i <= lastOffset; ++i) {
            uint8_t* p = row + (i - offsetShift);
            p[0] = static_cast<uint8_t>((p[-3] + p[3] + p[-stride] + p[stride]) >> 2);
        }
    }
    return true;
}
