// Pixel work of the region effects and the text layers, over raw 24-bit
// buffers (blue, green, red; rows padded to 4 bytes). Buffer rows are taken in
// memory order, whichever way up the picture is stored.
//
// The effects read `working` and write `display` only where `mask` selects a
// pixel: mask, working and display share one geometry, and a pixel is
// selected when the first (blue) byte of its mask pixel is non-zero.
#pragma once

#include <cstddef>
#include <cstdint>

inline size_t RowStride(int width) {
    return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

// Exact floor(sum / divisor) as a multiply and a shift, for a divisor fixed
// over many sums no larger than `largestSum` (below 2^30). With sum < 2^a and
// divisor < 2^b, a multiplier of floor(2^(a+b) / divisor) + 1 and a shift of
// a + b are exact: the error term sum x e / 2^(a+b), with e < divisor, stays
// below 1 / divisor. The multiplier stays below 2^(a+1) + 1, so it fits 32 bits
// and a vector unit can do the 32 x 32 -> 64 bit products.
struct ExactDivider {
    ExactDivider(uint32_t divisor, uint32_t largestSum);
    uint32_t operator()(uint32_t sum) const {
        return static_cast<uint32_t>((static_cast<uint64_t>(sum) * multiplier) >> shift);
    }

    uint32_t multiplier;
    unsigned shift;
};

// The same in single precision, which vector units do four or eight at a
// time, for the blur's divisors 4r^2 with sums up to 255 x 4r^2:
// (2 sum + 1) / (2 divisor) lies at least 1 / (2 divisor) from any integer,
// more than the float error of about 256 x 2^-23 for divisors up to 16384, so
// truncating it gives floor(sum / divisor). Beyond that the bound proves
// nothing, but every sum of every 4r^2 up to r = 90 has been checked (the
// radius slider stops at 80); r = 91 is the first to fail.
struct ShortDivider {
    static const int kLargestRadius = 90;
    explicit ShortDivider(uint32_t divisor) : halfReciprocal(1.0f / (2.0f * static_cast<float>(divisor))) {}
    uint32_t operator()(uint32_t sum) const {
        return static_cast<uint32_t>(
            static_cast<int32_t>(static_cast<float>(static_cast<int32_t>(2 * sum + 1)) * halfReciprocal));
    }

    float halfReciprocal;
};

// Mosaic: each selected pixel takes the colour of the first pixel of its
// n x n block, blocks aligned to the first pixel of the buffer. False (nothing
// done) when n or the geometry is not positive. Rows are split over the cores
// (as for the blur); the bytes are those of one thread.
bool MosaicRegion(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height, int blockSize);

// Box blur: each selected pixel at least r from every border takes, per
// colour byte, the truncated mean of the 2r x 2r pixels (x + dx, y + dy),
// dx and dy from -r to r - 1. Pixels nearer a border stay. The cost per pixel
// does not depend on r. False when r or the geometry is not positive, or when
// memory for the running sums is short (some rows may then be done); true
// (with nothing changed) when 2r reaches the width or height.
bool BlurRegion(const uint8_t* working, uint8_t* display, const uint8_t* mask, int width, int height, int radius);

// Softens a text layer in place, in one pass: buffer rows 1 to height - 3,
// byte offsets 1 to 3 x width - 3 of each row, left to right; each byte becomes
// the truncated mean of the same colour byte left, right, above and below it
// (left and above already softened). Layers of height 3 or less or width 1 or
// less stay as they are.
void SmoothLayer(uint8_t* bits, int width, int height);

// SmoothLayer for a layer that is black outside the displayed rectangle
// left..right, top..bottom (exclusive; the layer bottom-up, as the pictures
// are): the same bytes, touching only the part that can change. Softening
// carries a value at most 8 pixels right and up and 1 left and down (each step
// halves it at least), and through the ends of the rows to the rows beside;
// SmoothedArea is the rectangle outside which the result stays black, clipped
// to the layer (whole rows where it reaches either side).
struct LayerArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
LayerArea SmoothedArea(const LayerArea& ink, int width, int height);
void SmoothLayerArea(uint8_t* bits, int width, int height, const LayerArea& ink);

// The same softening for a layer that holds only the part `window` of the
// width x height layer (its own rows, padded to 4 bytes, bottom-up): the
// bytes SmoothLayerArea gives there. The pass reads one pixel beyond
// SmoothedArea on every side, so the window must hold SmoothingWindow (the
// smallest such part: whole rows where the area is); false, and nothing done,
// when it does not.
LayerArea SmoothingWindow(const LayerArea& ink, int width, int height);
bool SmoothLayerWindow(uint8_t* bits, const LayerArea& window, int width, int height, const LayerArea& ink);
