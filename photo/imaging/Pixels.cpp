#include "imaging/Pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/Image.h"

bool SizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

uint32_t AllocatePixels(PixelImage& image, int width, int height) {
    if (!SizeAllowed(width, height)) {
        return ImgErrSizeOutOfRange;
    }
    size_t stride = StrideOf(width);
    std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[stride * size_t(height)]);
    if (!bits) {
        return ImgErrOutOfMemory;
    }
    size_t used = size_t(width) * 3;
    if (used != stride) {
        for (int row = 0; row < height; ++row) {
            std::memset(bits.get() + stride * size_t(row) + used, 0, stride - used);
        }
    }
    image.width = width;
    image.height = height;
    image.stride = stride;
    image.bits = std::move(bits);
    return 0;
}

bool ResolveResize(int sourceWidth, int sourceHeight, int width, int height, int* outWidth, int* outHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0) {
        return false;
    }
    double w = width;
    double h = height;
    if (width == -1 && height > 0) {
        w = std::max(1.0, std::floor(double(sourceWidth) * height / sourceHeight + 0.5));
    } else if (height == -1 && width > 0) {
        h = std::max(1.0, std::floor(double(sourceHeight) * width / sourceWidth + 0.5));
    } else if (width <= 0 || height <= 0) {
        return false;
    }
    if (!SizeAllowed(int64_t(std::min(w, 1e9)), int64_t(std::min(h, 1e9)))) {
        return false;
    }
    *outWidth = int(w);
    *outHeight = int(h);
    return true;
}

namespace {

// Which source samples make one output sample along an axis, and how much
// each counts: `taps` entries per output sample (unused ones weigh 0).
struct Taps {
    int taps = 0;
    std::vector<int> index;
    std::vector<float> weight;
};

// Catmull-Rom: passes through the samples, no ringing worth noting, smooth.
double Cubic(double t) {
    t = std::fabs(t);
    if (t < 1.0) {
        return 1.5 * t * t * t - 2.5 * t * t + 1.0;
    }
    if (t < 2.0) {
        return -0.5 * t * t * t + 2.5 * t * t - 4.0 * t + 2.0;
    }
    return 0.0;
}

Taps MakeTaps(int from, int to) {
    Taps taps;
    if (to == from) {
        taps.taps = 1;
        taps.index.resize(size_t(to));
        taps.weight.assign(size_t(to), 1.0f);
        for (int i = 0; i < to; ++i) {
            taps.index[size_t(i)] = i;
        }
        return taps;
    }
    if (to < from) {
        // Area averaging: output sample i covers source [i*s, (i+1)*s).
        double scale = double(from) / to;
        taps.taps = int(std::ceil(scale)) + 1;
        taps.index.assign(size_t(to) * size_t(taps.taps), 0);
        taps.weight.assign(size_t(to) * size_t(taps.taps), 0.0f);
        for (int i = 0; i < to; ++i) {
            double lo = i * scale;
            double hi = std::min(double(from), (i + 1) * scale);
            int first = int(std::floor(lo));
            size_t base = size_t(i) * size_t(taps.taps);
            double sum = 0.0;
            int k = 0;
            for (int j = first; j < from && j < hi && k < taps.taps; ++j, ++k) {
                double cover = std::min(hi, double(j + 1)) - std::max(lo, double(j));
                taps.index[base + size_t(k)] = j;
                taps.weight[base + size_t(k)] = float(cover);
                sum += cover;
            }
            // Normalised by what was covered, so that the last sample, whose
            // end is cut to the picture, still averages exactly.
            for (int n = 0; n < k; ++n) {
                taps.weight[base + size_t(n)] = float(taps.weight[base + size_t(n)] / sum);
            }
        }
        return taps;
    }
    // Cubic interpolation between sample centres, edges clamped.
    double scale = double(from) / to;
    taps.taps = 4;
    taps.index.assign(size_t(to) * 4, 0);
    taps.weight.assign(size_t(to) * 4, 0.0f);
    for (int i = 0; i < to; ++i) {
        double position = (i + 0.5) * scale - 0.5;
        int base = int(std::floor(position));
        double t = position - base;
        double sum = 0.0;
        double w[4];
        for (int k = 0; k < 4; ++k) {
            w[k] = Cubic(t - (k - 1));
            sum += w[k];
        }
        for (int k = 0; k < 4; ++k) {
            int j = std::clamp(base - 1 + k, 0, from - 1);
            taps.index[size_t(i) * 4 + size_t(k)] = j;
            taps.weight[size_t(i) * 4 + size_t(k)] = float(w[k] / sum);
        }
    }
    return taps;
}

// out[c] = sum over the taps of weight x row[index][c], for a whole row.
// Taps go four at a time, so `out` is passed over once per four source rows;
// each loop is plain arithmetic over contiguous memory that vectorises.
template <typename Sample>
void WeighRows(const Taps& taps, int i, const Sample* const* rows, size_t count, float* __restrict out) {
    const int* index = &taps.index[size_t(i) * size_t(taps.taps)];
    const float* weight = &taps.weight[size_t(i) * size_t(taps.taps)];
    int used = taps.taps;
    while (used > 1 && weight[used - 1] == 0.0f) {
        --used;
    }
    for (int k = 0; k < used; k += 4) {
        const Sample* __restrict r0 = rows[index[k]];
        const Sample* __restrict r1 = k + 1 < used ? rows[index[k + 1]] : r0;
        const Sample* __restrict r2 = k + 2 < used ? rows[index[k + 2]] : r0;
        const Sample* __restrict r3 = k + 3 < used ? rows[index[k + 3]] : r0;
        float w0 = weight[k];
        float w1 = k + 1 < used ? weight[k + 1] : 0.0f;
        float w2 = k + 2 < used ? weight[k + 2] : 0.0f;
        float w3 = k + 3 < used ? weight[k + 3] : 0.0f;
        if (k == 0) {
            for (size_t c = 0; c < count; ++c) {
                out[c] = w0 * float(r0[c]) + w1 * float(r1[c]) + w2 * float(r2[c]) + w3 * float(r3[c]);
            }
        } else {
            for (size_t c = 0; c < count; ++c) {
                out[c] += w0 * float(r0[c]) + w1 * float(r1[c]) + w2 * float(r2[c]) + w3 * float(r3[c]);
            }
        }
    }
}

// Resamples one row of BGR samples along x.
template <typename Sample>
void WeighPixels(const Taps& taps, const Sample* row, int width, float* out) {
    if (taps.taps == 4) {
        // The cubic's four neighbours, side by side except at the edges.
        for (int x = 0; x < width; ++x, out += 3) {
            const int* index = &taps.index[size_t(x) * 4];
            const float* w = &taps.weight[size_t(x) * 4];
            if (index[3] == index[0] + 3) {
                const Sample* p = row + size_t(index[0]) * 3;
                for (int c = 0; c < 3; ++c) {
                    out[c] =
                        w[0] * float(p[c]) + w[1] * float(p[c + 3]) + w[2] * float(p[c + 6]) + w[3] * float(p[c + 9]);
                }
            } else {
                for (int c = 0; c < 3; ++c) {
                    out[c] = w[0] * float(row[size_t(index[0]) * 3 + size_t(c)]) +
                             w[1] * float(row[size_t(index[1]) * 3 + size_t(c)]) +
                             w[2] * float(row[size_t(index[2]) * 3 + size_t(c)]) +
                             w[3] * float(row[size_t(index[3]) * 3 + size_t(c)]);
                }
            }
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        const int* index = &taps.index[size_t(x) * size_t(taps.taps)];
        const float* weight = &taps.weight[size_t(x) * size_t(taps.taps)];
        float b = 0.0f, g = 0.0f, r = 0.0f;
        for (int k = 0; k < taps.taps; ++k) {
            const Sample* p = row + size_t(index[k]) * 3;
            float w = weight[k];
            b += w * float(p[0]);
            g += w * float(p[1]);
            r += w * float(p[2]);
        }
        out[size_t(x) * 3] = b;
        out[size_t(x) * 3 + 1] = g;
        out[size_t(x) * 3 + 2] = r;
    }
}

void StoreRow(const float* values, size_t count, uint8_t* out) {
    for (size_t c = 0; c < count; ++c) {
        float v = values[c] + 0.5f;
        v = v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
        out[c] = uint8_t(v);
    }
}

}  // namespace

uint32_t ResizePixels(const PixelImage& from, int width, int height, PixelImage& to) {
    int w = 0, h = 0;
    if (!from.bits || !ResolveResize(from.width, from.height, width, height, &w, &h)) {
        return from.bits ? ImgErrSizeOutOfRange : ImgErrInvalidArg;
    }
    PixelImage result;
    if (uint32_t error = AllocatePixels(result, w, h)) {
        return error;
    }
    try {
        Taps across = MakeTaps(from.width, w);
        Taps down = MakeTaps(from.height, h);
        size_t sourceCount = size_t(from.width) * 3;
        size_t count = size_t(w) * 3;
        std::vector<float> line;
        if (h <= from.height) {
            // Fewer (or as many) rows: combine source rows first, at full width,
            // in long contiguous loops; then the much smaller horizontal pass.
            std::vector<const uint8_t*> rows(size_t(from.height));
            for (int y = 0; y < from.height; ++y) {
                rows[size_t(y)] = from.BufferRow(y);
            }
            std::vector<float> mixed(sourceCount);
            line.resize(count);
            for (int y = 0; y < h; ++y) {
                WeighRows(down, y, rows.data(), sourceCount, mixed.data());
                if (w == from.width) {
                    StoreRow(mixed.data(), count, result.BufferRow(y));
                } else {
                    WeighPixels(across, mixed.data(), w, line.data());
                    StoreRow(line.data(), count, result.BufferRow(y));
                }
            }
        } else {
            // More rows: resample each source row once across, keep the few
            // that the current output row needs, then combine them.
            int slots = down.taps + 1;
            std::vector<float> cache(size_t(slots) * count);
            std::vector<int> cached(size_t(slots), -1);
            std::vector<const float*> rows(size_t(from.height), nullptr);
            line.resize(count);
            for (int y = 0; y < h; ++y) {
                for (int k = 0; k < down.taps; ++k) {
                    int source = down.index[size_t(y) * size_t(down.taps) + size_t(k)];
                    int slot = source % slots;
                    if (cached[size_t(slot)] != source) {
                        if (cached[size_t(slot)] >= 0) {
                            rows[size_t(cached[size_t(slot)])] = nullptr;
                        }
                        float* target = &cache[size_t(slot) * count];
                        WeighPixels(across, from.BufferRow(source), w, target);
                        cached[size_t(slot)] = source;
                        rows[size_t(source)] = target;
                    }
                }
                WeighRows(down, y, rows.data(), count, line.data());
                StoreRow(line.data(), count, result.BufferRow(y));
            }
        }
    } catch (const std::bad_alloc&) {
        return ImgErrOutOfMemory;
    }
    to = std::move(result);
    return 0;
}

namespace {

inline void CopyPixel(uint8_t* to, const uint8_t* from) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

}  // namespace

uint32_t RotatePixels(const PixelImage& from, int degrees, PixelImage& to) {
    if (!from.bits || (degrees != 90 && degrees != 180 && degrees != 270)) {
        return ImgErrInvalidArg;
    }
    int W = from.width;
    int H = from.height;
    PixelImage result;
    if (uint32_t error = degrees == 180 ? AllocatePixels(result, W, H) : AllocatePixels(result, H, W)) {
        return error;
    }
    if (degrees == 180) {
        for (int row = 0; row < H; ++row) {
            const uint8_t* source = from.BufferRow(row);
            uint8_t* target = result.BufferRow(H - 1 - row) + size_t(W - 1) * 3;
            for (int x = 0; x < W; ++x, source += 3, target -= 3) {
                CopyPixel(target, source);
            }
        }
    } else {
        // In buffer terms, a quarter turn clockwise sends source (row, x) to
        // target row W-1-x, column row; a quarter turn back sends it to
        // target row x, column H-1-row. Small square tiles measured best:
        // both sides stride across pages, and few pages per tile spare the TLB.
        const int tile = 8;
        for (int rowTile = 0; rowTile < H; rowTile += tile) {
            int rowEnd = std::min(H, rowTile + tile);
            for (int xTile = 0; xTile < W; xTile += tile) {
                int xEnd = std::min(W, xTile + tile);
                for (int x = xTile; x < xEnd; ++x) {
                    uint8_t* target;
                    ptrdiff_t step;
                    if (degrees == 90) {
                        target = result.BufferRow(W - 1 - x) + size_t(rowTile) * 3;
                        step = 3;
                    } else {
                        target = result.BufferRow(x) + size_t(H - 1 - rowTile) * 3;
                        step = -3;
                    }
                    for (int row = rowTile; row < rowEnd; ++row, target += step) {
                        CopyPixel(target, from.BufferRow(row) + size_t(x) * 3);
                    }
                }
            }
        }
    }
    to = std::move(result);
    return 0;
}

namespace {

// min(start + length, extent) for a positive length, without forming a sum
// that may lie beyond 64 bits.
int64_t ClippedEnd(int64_t start, int64_t length, int extent) {
    if (start >= 0 && length >= extent - start) {
        return extent;
    }
    return std::min<int64_t>(start + length, extent);
}

}  // namespace

uint32_t CropPixels(const PixelImage& from, int64_t x, int64_t y, int64_t width, int64_t height, PixelImage& to) {
    if (!from.bits || width <= 0 || height <= 0) {
        return ImgErrInvalidArg;
    }
    int64_t left = std::max<int64_t>(x, 0);
    int64_t top = std::max<int64_t>(y, 0);
    int64_t right = ClippedEnd(x, width, from.width);
    int64_t bottom = ClippedEnd(y, height, from.height);
    if (left >= right || top >= bottom) {
        return ImgErrInvalidArg;
    }
    PixelImage result;
    if (uint32_t error = AllocatePixels(result, int(right - left), int(bottom - top))) {
        return error;
    }
    for (int row = 0; row < result.height; ++row) {
        std::memcpy(result.DisplayRow(row), from.DisplayRow(int(top) + row) + size_t(left) * 3,
                    size_t(result.width) * 3);
    }
    to = std::move(result);
    return 0;
}

void MirrorPixels(PixelImage& image) {
    for (int row = 0; row < image.height; ++row) {
        uint8_t* left = image.BufferRow(row);
        uint8_t* right = left + size_t(image.width - 1) * 3;
        for (; left < right; left += 3, right -= 3) {
            std::swap(left[0], right[0]);
            std::swap(left[1], right[1]);
            std::swap(left[2], right[2]);
        }
    }
}

uint32_t ApplyOrientation(PixelImage& image, int orientation) {
    // EXIF orientation: 2 mirrored, 3 upside down, 4 mirrored upside down,
    // 5 transposed, 6 turned left (shown after a turn right), 7 transverse,
    // 8 turned right.
    static const int kTurn[9] = {0, 0, 0, 180, 180, 90, 90, 270, 270};
    static const bool kMirror[9] = {false, false, true, false, true, true, false, true, false};
    if (orientation < 2 || orientation > 8) {
        return 0;
    }
    if (kTurn[orientation]) {
        PixelImage turned;
        if (uint32_t error = RotatePixels(image, kTurn[orientation], turned)) {
            return error;
        }
        image = std::move(turned);
    }
    if (kMirror[orientation]) {
        MirrorPixels(image);
    }
    return 0;
}
