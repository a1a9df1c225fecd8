#include "imaging/Pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/Image.h"
#include "imaging/Parallel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Filter weights in fixed point: each output sample's weights sum to exactly
// 1 << 14, so a plain colour comes through unchanged.
const int kWeightBits = 14;
// Between the two passes a sample keeps 6 fraction bits in 16: the Lanczos
// lobes overshoot 0..255 by a fraction, far inside the range.
const int kMidBits = 6;
// A large shrink first averages integer blocks, down to a size from which at
// least this much shrinking is left to the filter. What the blocks let alias
// then folds onto frequencies where their own response is nearly nil (about
// 1 / (2 x gap)): at 3, square stripes of 10 to 14 pixels still left 5 levels
// of false pattern in a shrink by 12; at 6 none is left beyond the filter's
// own, and the filter's work on the averaged picture stays small.
const double kReducingGap = 6.0;
const double kPi = 3.14159265358979323846;

double Sinc(double x) {
    return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
}

// Lanczos-3: close to the ideal low-pass, the usual choice for shrinking
// photographs; sharp without visible ringing.
double Lanczos3(double t) {
    t = std::fabs(t);
    return t < 3.0 ? Sinc(t) * Sinc(t / 3.0) : 0.0;
}

// Catmull-Rom: passes through the samples, no ringing worth noting, smooth.
double CatmullRom(double t) {
    t = std::fabs(t);
    if (t < 1.0) {
        return 1.5 * t * t * t - 2.5 * t * t + 1.0;
    }
    if (t < 2.0) {
        return -0.5 * t * t * t + 2.5 * t * t - 4.0 * t + 2.0;
    }
    return 0.0;
}

// Resampling along one axis, after an optional box pre-reduction by `box`:
// output sample i = sum over k < taps of weight[i * taps + k] x (reduced)
// sample first[i] + k. Windows lie inside the samples (weights beyond an edge
// are folded onto the edge sample); `taps` is even, a zero weight padding an
// odd count, so that the vector code can take taps in pairs.
struct AxisFilter {
    int box = 1;
    int samples = 0;  // after the box
    int taps = 0;
    std::vector<int> first;
    std::vector<int16_t> weight;
    std::vector<int32_t> pair;  // weights k and k + 1 in one 32-bit word, low half first
};

AxisFilter MakeFilter(int from, int to) {
    AxisFilter filter;
    double scale = double(from) / to;
    if (to < from) {
        filter.box = std::max(1, int(scale / kReducingGap));
    }
    int n = int((int64_t(from) + filter.box - 1) / filter.box);
    filter.samples = n;
    double step = scale / filter.box;                                      // output spacing in reduced samples
    double cut = double(from - int64_t(n - 1) * filter.box) / filter.box;  // the last block's share of a whole one
    double (*kernel)(double) = CatmullRom;
    double stretch = 1.0;
    double support = 2.0;
    if (to == from) {
        support = 0.5;  // each sample alone, weight 1
    } else if (to < from) {
        kernel = Lanczos3;
        stretch = step;
        support = 3.0 * step;
    }
    int window = std::min(n, int(std::ceil(2.0 * support)) + 1);
    filter.taps = window + (window & 1);
    filter.first.resize(size_t(to));
    filter.weight.assign(size_t(to) * size_t(filter.taps), 0);
    filter.pair.resize(size_t(to) * size_t(filter.taps / 2));
    std::vector<double> w(size_t(filter.taps));
    for (int i = 0; i < to; ++i) {
        // Sample j is centred at j + 0.5 in reduced units.
        double centre = (i + 0.5) * step;
        int lo = to == from ? i : int(std::floor(centre - 0.5 - support)) + 1;
        int hi = to == from ? i + 1 : int(std::ceil(centre - 0.5 + support));
        int first = std::clamp(lo, 0, n - window);
        std::fill(w.begin(), w.end(), 0.0);
        double sum = 0.0;
        for (int j = lo; j < hi; ++j) {
            double v = to == from ? (j == i ? 1.0 : 0.0) : kernel((j + 0.5 - centre) / stretch);
            if (j == n - 1 && cut < 1.0 && to != from) {
                // The last block, cut short by the picture's end: centred on
                // what it covers, and weighing only that much.
                v = kernel((j + cut / 2 - centre) / stretch) * cut;
            }
            w[size_t(std::clamp(j, 0, n - 1) - first)] += v;
            sum += v;
        }
        int16_t* q = &filter.weight[size_t(i) * size_t(filter.taps)];
        int total = 0;
        size_t largest = 0;
        for (size_t k = 0; k < size_t(window); ++k) {
            q[k] = int16_t(std::lround(w[k] / sum * (1 << kWeightBits)));
            total += q[k];
            if (std::fabs(w[k]) > std::fabs(w[largest])) {
                largest = k;
            }
        }
        q[largest] = int16_t(q[largest] + (1 << kWeightBits) - total);
        filter.first[size_t(i)] = first;
        for (int k = 0; k < filter.taps; k += 2) {
            filter.pair[size_t(i) * size_t(filter.taps / 2) + size_t(k / 2)] =
                int32_t(uint32_t(uint16_t(q[k])) | uint32_t(uint16_t(q[k + 1])) << 16);
        }
    }
    return filter;
}

// mid[c] = sum over k of weight[k] x rows[k][c], in kMidBits fixed point,
// for c < count. `taps` is even; rows[k] is valid for every k.
void VerticalPass(const uint8_t* const* rows,
                  const int16_t* weight,
                  const int32_t* pair,
                  int taps,
                  size_t count,
                  int16_t* mid) {
    const int shift = kWeightBits - kMidBits;
    size_t c = 0;
#if defined(__SSE2__)
    // Two rows' bytes interleaved and widened, so that one multiply-add takes
    // a pair of taps for four samples; sixteen samples per round, their sums
    // kept in registers across all taps.
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(1 << (shift - 1));
    for (; c + 16 <= count; c += 16) {
        __m128i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
        for (int k = 0; k < taps; k += 2) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + c));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + c));
            __m128i w = _mm_set1_epi32(pair[k / 2]);
            __m128i lo = _mm_unpacklo_epi8(a, b);
            __m128i hi = _mm_unpackhi_epi8(a, b);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
        }
        acc0 = _mm_srai_epi32(_mm_add_epi32(acc0, round), shift);
        acc1 = _mm_srai_epi32(_mm_add_epi32(acc1, round), shift);
        acc2 = _mm_srai_epi32(_mm_add_epi32(acc2, round), shift);
        acc3 = _mm_srai_epi32(_mm_add_epi32(acc3, round), shift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mid + c), _mm_packs_epi32(acc0, acc1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mid + c + 8), _mm_packs_epi32(acc2, acc3));
    }
#else
    (void)pair;
#endif
    for (; c < count; ++c) {
        int32_t acc = 0;
        for (int k = 0; k < taps; ++k) {
            acc += int32_t(weight[k]) * rows[k][c];
        }
        acc = (acc + (1 << (shift - 1))) >> shift;
        mid[c] = int16_t(std::clamp(acc, int32_t(INT16_MIN), int32_t(INT16_MAX)));
    }
}

// Rounding of the path without vector units.
[[maybe_unused]] inline uint8_t ToByte(int32_t acc) {
    const int shift = kWeightBits + kMidBits;
    acc = (acc + (1 << (shift - 1))) >> shift;
    return uint8_t(std::clamp(acc, 0, 255));
}

// One output row from `mid` (BGR samples in kMidBits fixed point, with at
// least kMidPadding zero samples after the last pixel).
const size_t kMidPadding = 16;
void HorizontalPass(const AxisFilter& filter, const int16_t* mid, int width, uint8_t* out) {
    const int taps = filter.taps;
    const int pairs = taps / 2;
#if defined(__SSE2__)
    const __m128i round = _mm_set1_epi32(1 << (kWeightBits + kMidBits - 1));
#endif
    for (int x = 0; x < width; ++x, out += 3) {
        const int16_t* p = mid + size_t(filter.first[size_t(x)]) * 3;
#if defined(__SSE2__)
        // Eight samples from pixel k on are pixels k and k + 1 and a bit of
        // k + 2; moved together as b b g g r r, one multiply-add weighs the
        // pair per colour.
        const int32_t* pair = &filter.pair[size_t(x) * size_t(pairs)];
        __m128i acc = _mm_setzero_si128();
        for (int k = 0; k < pairs; ++k, p += 6) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i u = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 6));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(u, _mm_set1_epi32(pair[k])));
        }
        acc = _mm_srai_epi32(_mm_add_epi32(acc, round), kWeightBits + kMidBits);
        acc = _mm_packs_epi32(acc, acc);
        uint32_t bgr = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(acc, acc)));
        if (x + 1 < width) {
            std::memcpy(out, &bgr, 4);  // the fourth byte is the next pixel's, written next
        } else {
            out[0] = uint8_t(bgr);
            out[1] = uint8_t(bgr >> 8);
            out[2] = uint8_t(bgr >> 16);
        }
#else
        (void)pairs;
        const int16_t* w = &filter.weight[size_t(x) * size_t(taps)];
        int32_t b = 0, g = 0, r = 0;
        for (int k = 0; k < taps; ++k, p += 3) {
            b += int32_t(w[k]) * p[0];
            g += int32_t(w[k]) * p[1];
            r += int32_t(w[k]) * p[2];
        }
        out[0] = ToByte(b);
        out[1] = ToByte(g);
        out[2] = ToByte(r);
#endif
    }
}

// Rounded mean of `count` values from their sum, by a reciprocal:
// (sum x m + 2^(bits - 1)) >> bits with m = 2^bits / count rounded. With 24
// bits and counts up to 65536 every product fits 32 bits and lands within
// 1/128 of a level of the true mean (a plain colour exactly); larger blocks
// (shrinks of a whole side to a few pixels) take 40 bits in 64.
template <typename Word, int kBits>
struct MeanOf {
    explicit MeanOf(uint64_t count) : multiplier(Word(((uint64_t(1) << kBits) + count / 2) / count)) {}
    uint8_t operator()(Word sum) const { return uint8_t((sum * multiplier + (Word(1) << (kBits - 1))) >> kBits); }
    Word multiplier;
};
typedef MeanOf<uint32_t, 24> ShortMean;
typedef MeanOf<uint64_t, 40> LongMean;
const uint64_t kLargestShortMean = 65536;

// sums[c] = the sum of lines[y][c] over the rows: sixteen columns at a time
// down all rows, in registers, so that each source byte is read once and the
// sums are stored once.
template <typename Sum>
void ColumnSums(const uint8_t* const* lines, int rows, size_t count, Sum* sums) {
    size_t c = 0;
#if defined(__SSE2__)
    if (sizeof(Sum) == 2) {
        const __m128i zero = _mm_setzero_si128();
        for (; c + 16 <= count; c += 16) {
            __m128i lo = zero, hi = zero;
            for (int y = 0; y < rows; ++y) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[y] + c));
                lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
                hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + c), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + c + 8), hi);
        }
    }
#endif
    std::fill(sums + c, sums + count, Sum(0));
    for (int y = 0; y < rows; ++y) {
        const uint8_t* __restrict line = lines[y];
        Sum* __restrict s = sums;
        for (size_t k = c; k < count; ++k) {
            s[k] = Sum(s[k] + line[k]);
        }
    }
}

// Rows [begin, end) (from the top) of the box pre-reduction: block means of
// boxX x boxY pixels, the last row and column of blocks cut to the picture.
// `Sum` holds the sum of a whole block.
template <typename Sum>
void BoxRows(const PixelImage& from, int boxX, int boxY, PixelImage& to, int begin, int end) {
    const size_t count = size_t(from.width) * 3;
    const int whole = from.width / boxX;  // blocks not cut by the right edge
    const size_t span = size_t(whole) * size_t(boxX) * 3;
    std::vector<Sum> sums(count), blocks(span);
    std::vector<const uint8_t*> lines(static_cast<size_t>(boxY));
    for (int row = begin; row < end; ++row) {
        int top = row * boxY;
        int rows = std::min(boxY, from.height - top);
        for (int y = 0; y < rows; ++y) {
            lines[size_t(y)] = from.DisplayRow(top + y);
        }
        ColumnSums(lines.data(), rows, count, sums.data());
        // Block sums by boxX shifted adds over the row, which vectorise;
        // byte 3 boxX j + c then holds block j's sum of colour c.
        Sum* __restrict b = blocks.data();
        const Sum* __restrict s = sums.data();
        std::copy(s, s + span, b);
        for (size_t k = 3; k < size_t(boxX) * 3; k += 3) {
            for (size_t i = 0; i + k < span; ++i) {
                b[i] = Sum(b[i] + s[i + k]);
            }
        }
        uint8_t* out = to.DisplayRow(row);
        uint64_t n = uint64_t(boxX) * uint64_t(rows);
        if (n <= kLargestShortMean) {
            ShortMean mean(n);
            for (int x = 0; x < whole; ++x, out += 3) {
                const Sum* block = b + size_t(x) * size_t(boxX) * 3;
                out[0] = mean(uint32_t(block[0]));
                out[1] = mean(uint32_t(block[1]));
                out[2] = mean(uint32_t(block[2]));
            }
        } else {
            LongMean mean(n);
            for (int x = 0; x < whole; ++x, out += 3) {
                const Sum* block = b + size_t(x) * size_t(boxX) * 3;
                out[0] = mean(block[0]);
                out[1] = mean(block[1]);
                out[2] = mean(block[2]);
            }
        }
        if (whole < to.width) {
            int columns = from.width - whole * boxX;
            LongMean mean(uint64_t(columns) * uint64_t(rows));
            uint64_t sum[3] = {0, 0, 0};
            for (size_t i = span; i < count; ++i) {
                sum[i % 3] += s[i];
            }
            out[0] = mean(sum[0]);
            out[1] = mean(sum[1]);
            out[2] = mean(sum[2]);
        }
    }
}

// Rows per band of the row split: enough work to be worth a wake-up.
int GrainFor(int width) {
    return std::max(1, int(65536 / (int64_t(width) * 3 + 1)));
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
        AxisFilter across = MakeFilter(from.width, w);
        AxisFilter down = MakeFilter(from.height, h);
        const PixelImage* source = &from;
        PixelImage reduced;
        if (across.box > 1 || down.box > 1) {
            if (uint32_t error = AllocatePixels(reduced, across.samples, down.samples)) {
                return error;
            }
            // Sums of blocks of up to 257 bytes fit 16 bits.
            bool narrow = int64_t(across.box) * down.box <= 257;
            bool done = ParallelFor(reduced.height, std::max(1, GrainFor(from.width) / down.box), [&](int b, int e) {
                if (narrow) {
                    BoxRows<uint16_t>(from, across.box, down.box, reduced, b, e);
                } else {
                    BoxRows<uint32_t>(from, across.box, down.box, reduced, b, e);
                }
            });
            if (!done) {
                return ImgErrOutOfMemory;
            }
            source = &reduced;
        }
        bool done = ParallelFor(h, GrainFor(source->width), [&](int b, int e) {
            size_t count = size_t(source->width) * 3;
            std::vector<int16_t> mid(count + kMidPadding, 0);
            std::vector<const uint8_t*> rows(size_t(down.taps));
            for (int y = b; y < e; ++y) {
                int first = down.first[size_t(y)];
                for (int k = 0; k < down.taps; ++k) {
                    rows[size_t(k)] = source->DisplayRow(std::min(first + k, source->height - 1));
                }
                VerticalPass(rows.data(), &down.weight[size_t(y) * size_t(down.taps)],
                             &down.pair[size_t(y) * size_t(down.taps / 2)], down.taps, count, mid.data());
                HorizontalPass(across, mid.data(), w, result.DisplayRow(y));
            }
        });
        if (!done) {
            return ImgErrOutOfMemory;
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
    // Bands of source rows: each writes its own pixels of the result.
    bool done;
    if (degrees == 180) {
        done = ParallelFor(H, GrainFor(W), [&](int begin, int end) {
            for (int row = begin; row < end; ++row) {
                const uint8_t* source = from.BufferRow(row);
                uint8_t* target = result.BufferRow(H - 1 - row) + size_t(W - 1) * 3;
                for (int x = 0; x < W; ++x, source += 3, target -= 3) {
                    CopyPixel(target, source);
                }
            }
        });
    } else {
        // In buffer terms, a quarter turn clockwise sends source (row, x) to
        // target row W-1-x, column row; a quarter turn back sends it to
        // target row x, column H-1-row. Small square tiles measured best:
        // both sides stride across pages, and few pages per tile spare the TLB.
        const int tile = 8;
        done = ParallelFor((H + tile - 1) / tile, std::max(1, GrainFor(W) / tile), [&](int begin, int end) {
            for (int rowTile = begin * tile; rowTile < std::min(H, end * tile); rowTile += tile) {
                int rowEnd = std::min(H, rowTile + tile);
                for (int xTile = 0; xTile < W; xTile += tile) {
                    int xEnd = std::min(W, xTile + tile);
                    for (int x = xTile; x < xEnd; ++x) {
                        // Target pixels are written left to right, so each
                        // four-byte store's spare byte is overwritten by the
                        // next pixel; the last of the run takes three bytes,
                        // as its neighbour may be another band's. The last
                        // source column is read three bytes at a time too: a
                        // fourth byte may lie past the buffer.
                        uint8_t* target;
                        const uint8_t* source;
                        ptrdiff_t sourceStep;
                        if (degrees == 90) {
                            target = result.BufferRow(W - 1 - x) + size_t(rowTile) * 3;
                            source = from.BufferRow(rowTile) + size_t(x) * 3;
                            sourceStep = ptrdiff_t(from.stride);
                        } else {
                            target = result.BufferRow(x) + size_t(H - rowEnd) * 3;
                            source = from.BufferRow(rowEnd - 1) + size_t(x) * 3;
                            sourceStep = -ptrdiff_t(from.stride);
                        }
                        int n = rowEnd - rowTile;
                        if (x + 1 < W) {
                            for (; n > 1; --n, target += 3, source += sourceStep) {
                                uint32_t pixel;
                                std::memcpy(&pixel, source, 4);
                                std::memcpy(target, &pixel, 4);
                            }
                        }
                        for (; n > 0; --n, target += 3, source += sourceStep) {
                            CopyPixel(target, source);
                        }
                    }
                }
            }
        });
    }
    if (!done) {
        return ImgErrOutOfMemory;
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
