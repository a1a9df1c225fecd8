#include "engine/Effects.h"

#include <cstring>
#include <vector>

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

bool MosaicRegion(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height,
                  int blockSize) {
    if (!working || !display || !mask || width <= 0 || height <= 0 || blockSize <= 0) {
        return false;
    }
    const size_t stride = RowStride(width);
    for (int y = 0; y < height; ++y) {
        const uint8_t* maskRow = mask + stride * y;
        uint8_t* target = display + stride * y;
        const uint8_t* sampleRow = working + stride * (static_cast<size_t>(y / blockSize) * blockSize);
        for (int blockX = 0; blockX < width; blockX += blockSize) {
            const uint8_t* sample = sampleRow + 3 * static_cast<size_t>(blockX);
            int end = width - blockX > blockSize ? blockX + blockSize : width;
            for (int x = blockX; x < end; ++x) {
                if (maskRow[3 * x]) {
                    target[3 * x] = sample[0];
                    target[3 * x + 1] = sample[1];
                    target[3 * x + 2] = sample[2];
                }
            }
        }
    }
    return true;
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
    size_t j = 0;
    for (;;) {
        sums[j] = static_cast<Sum>(s0);
        sums[j + 1] = static_cast<Sum>(s1);
        sums[j + 2] = static_cast<Sum>(s2);
        if (j + 3 >= count) {
            break;
        }
        s0 += static_cast<uint32_t>(row[j + span]) - row[j];
        s1 += static_cast<uint32_t>(row[j + span + 1]) - row[j + 1];
        s2 += static_cast<uint32_t>(row[j + span + 2]) - row[j + 2];
        j += 3;
    }
}

// The blur as running sums: each row's horizontal window sums are made once,
// kept in a ring of the last 2r rows, and added to (and later taken from) a
// vertical total per byte; the total over the 2r x 2r window then needs one
// exact division. Row sums stay below 2r x 255, which fits 16 bits up to
// r = 128; larger radii keep them in 32 bits.
template <typename Sum>
void BlurRows(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height, int r) {
    const size_t stride = RowStride(width);
    const size_t span = 6 * static_cast<size_t>(r);                // 2r pixels
    const size_t count = 3 * static_cast<size_t>(width - 2 * r);   // output bytes per row
    const size_t first = 3 * static_cast<size_t>(r);               // first output byte
    const size_t window = 2 * static_cast<size_t>(r);
    const uint32_t area = static_cast<uint32_t>(4 * r * r);
    const ExactDivider divide(area, 255 * area);

    std::vector<std::vector<Sum>> ring(window, std::vector<Sum>(count));
    std::vector<Sum> fresh(count);
    std::vector<uint32_t> totals(count, 0);
    std::vector<uint8_t> means(count);

    for (size_t row = 0; row < window; ++row) {
        Sum* sums = ring[row].data();
        WindowSumsOfRow(working + stride * row, count, span, sums);
        for (size_t j = 0; j < count; ++j) {
            totals[j] += sums[j];
        }
    }
    for (int y = r; y < height - r; ++y) {
        const uint8_t* maskRow = mask + stride * y + first;
        bool anySelected = false;
        for (size_t j = 0; j < count; j += 3) {
            if (maskRow[j]) {
                anySelected = true;
                break;
            }
        }
        uint32_t* t = totals.data();
        uint8_t* m = means.data();
        if (y > r) {
            // Row y + r - 1 enters the window; its sums take the ring slot of
            // row y - r - 1, which leaves it.
            size_t entering = static_cast<size_t>(y + r - 1);
            WindowSumsOfRow(working + stride * entering, count, span, fresh.data());
            std::vector<Sum>& slot = ring[entering % window];
            const Sum* in = fresh.data();
            const Sum* out = slot.data();
            if (anySelected) {
                for (size_t j = 0; j < count; ++j) {
                    uint32_t total = t[j] + in[j] - out[j];
                    t[j] = total;
                    m[j] = static_cast<uint8_t>(divide(total));
                }
            } else {
                for (size_t j = 0; j < count; ++j) {
                    t[j] += static_cast<uint32_t>(in[j]) - out[j];
                }
            }
            slot.swap(fresh);
        } else if (anySelected) {
            for (size_t j = 0; j < count; ++j) {
                m[j] = static_cast<uint8_t>(divide(t[j]));
            }
        }
        if (!anySelected) {
            continue;
        }
        // Selected pixels come in runs (a lasso region is filled); each run
        // is copied at once.
        uint8_t* target = display + stride * y + first;
        size_t j = 0;
        while (j < count) {
            while (j < count && !maskRow[j]) {
                j += 3;
            }
            size_t start = j;
            while (j + 9 < count &&
                   ((maskRow[j] != 0) & (maskRow[j + 3] != 0) & (maskRow[j + 6] != 0) & (maskRow[j + 9] != 0))) {
                j += 12;
            }
            while (j < count && maskRow[j]) {
                j += 3;
            }
            std::memcpy(target + start, m + start, j - start);
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
    if (2 * r * 255 <= UINT16_MAX) {
        BlurRows<uint16_t>(working, display, mask, width, height, r);
    } else {
        BlurRows<uint32_t>(working, display, mask, width, height, r);
    }
    return true;
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
