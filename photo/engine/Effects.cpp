#include "engine/Effects.h"

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
    multiplier = ((uint64_t(1) << shift) / divisor) + 1;
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

// Running sums: `columns` holds, for every byte position of a row, the sum of
// that byte over the 2r rows of the current window (at most 2 x 80 x 255 for
// the slider's largest radius, but kept in 32 bits for any r). Each step down
// adds one row and drops one. Along a row a prefix sum over the same colour
// byte gives every 2r-wide window sum as one difference.
bool BlurRegion(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height, int radius) {
    if (!working || !display || !mask || width <= 0 || height <= 0 || radius <= 0) {
        return false;
    }
    const int r = radius;
    if (2 * static_cast<int64_t>(r) >= height || 2 * static_cast<int64_t>(r) >= width) {
        return true;
    }
    const size_t stride = RowStride(width);
    const size_t rowBytes = 3 * static_cast<size_t>(width);
    const uint64_t area = 4 * static_cast<uint64_t>(r) * r;
    // The exact division needs sums below 2^31: radii up to about 1450.
    if (area * 255 >= (uint64_t(1) << 31)) {
        return false;
    }
    const ExactDivider divide(static_cast<uint32_t>(area), static_cast<uint32_t>(area * 255));

    std::vector<uint32_t> columns(rowBytes, 0);
    // prefix[i + 3] = columns[i] + prefix[i]: the sum of one colour byte over
    // the pixels left of i / 3.
    std::vector<uint32_t> prefix(rowBytes + 3, 0);
    std::vector<uint8_t> means(rowBytes, 0);

    for (int row = 0; row < 2 * r; ++row) {
        const uint8_t* source = working + stride * row;
        for (size_t i = 0; i < rowBytes; ++i) {
            columns[i] += source[i];
        }
    }
    const size_t first = 3 * static_cast<size_t>(r);
    const size_t last = 3 * static_cast<size_t>(width - r);  // one past the last output byte
    for (int y = r; y < height - r; ++y) {
        if (y > r) {
            const uint8_t* entering = working + stride * (y + r - 1);
            const uint8_t* leaving = working + stride * (y - r - 1);
            for (size_t i = 0; i < rowBytes; ++i) {
                columns[i] += static_cast<uint32_t>(entering[i]) - leaving[i];
            }
        }
        const uint8_t* maskRow = mask + stride * y;
        bool anySelected = false;
        for (size_t i = first; i < last; i += 3) {
            if (maskRow[i]) {
                anySelected = true;
                break;
            }
        }
        if (!anySelected) {
            continue;
        }
        uint32_t* p = prefix.data();
        const uint32_t* c = columns.data();
        for (size_t i = 0; i < rowBytes; ++i) {
            p[i + 3] = p[i] + c[i];
        }
        // Window of output pixel x: pixels x - r .. x + r - 1, i.e. prefix
        // positions (x + r) and (x - r) in units of pixels.
        const size_t reach = 3 * static_cast<size_t>(r);
        uint8_t* m = means.data();
        for (size_t i = first; i < last; ++i) {
            m[i] = static_cast<uint8_t>(divide(p[i + reach] - p[i - reach]));
        }
        uint8_t* target = display + stride * y;
        for (size_t i = first; i < last; i += 3) {
            if (maskRow[i]) {
                target[i] = m[i];
                target[i + 1] = m[i + 1];
                target[i + 2] = m[i + 2];
            }
        }
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
