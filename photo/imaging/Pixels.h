// Pixel work of the image library on plain buffers: 24-bit BGR, rows padded
// to a multiple of 4 bytes and stored bottom-up (buffer row 0 is the bottom
// row of the picture as displayed). Padding bytes are kept zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Largest picture we take on: a side of 65535 pixels, 2^27 pixels in all
// (about 400 MB of pixels). Anything larger is refused before allocating.
const int kMaxImageSide = 65535;
const int64_t kMaxImagePixels = int64_t(1) << 27;

struct PixelImage {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::unique_ptr<uint8_t[]> bits;

    size_t ByteCount() const { return stride * size_t(height); }
    uint8_t* BufferRow(int row) { return bits.get() + stride * size_t(row); }
    const uint8_t* BufferRow(int row) const { return bits.get() + stride * size_t(row); }
    // Row `y` counted from the top of the picture as displayed.
    uint8_t* DisplayRow(int y) { return BufferRow(height - 1 - y); }
    const uint8_t* DisplayRow(int y) const { return BufferRow(height - 1 - y); }
};

inline size_t StrideOf(int width) {
    return (size_t(width) * 3 + 3) & ~size_t(3);
}

bool SizeAllowed(int64_t width, int64_t height);

// Makes `image` width x height with zero padding and undefined pixels.
// Returns 0, or the error code (ImgError) when the size is not allowed or
// memory is short.
uint32_t AllocatePixels(PixelImage& image, int width, int height);

// The size a resize to (width, height) gives, -1 in one of them keeping the
// aspect ratio (rounded, at least 1). False for sizes that make no picture.
bool ResolveResize(int sourceWidth, int sourceHeight, int width, int height, int* outWidth, int* outHeight);

// High-quality resampling: along an axis that shrinks, Lanczos-3 (after a
// box average by a whole factor when the shrink is large), so that detail too
// fine for the new size fades to its mean instead of turning into false
// pattern; a Catmull-Rom cubic along one that grows; an exact copy along one
// that stays. Fixed point, rows split over the cores with the same bytes as on
// one. The result replaces `to`. Returns 0 or an error code.
uint32_t ResizePixels(const PixelImage& from, int width, int height, PixelImage& to);

// Clockwise by 90, 180 or 270 degrees as displayed. Returns 0 or an error code.
uint32_t RotatePixels(const PixelImage& from, int degrees, PixelImage& to);

// The rectangle at (x, y) from the top-left as displayed, clipped to the
// picture. Returns 0 or an error code (also when nothing lies inside).
uint32_t CropPixels(const PixelImage& from, int64_t x, int64_t y, int64_t width, int64_t height, PixelImage& to);

// Left and right swapped, in place.
void MirrorPixels(PixelImage& image);

// Turns a picture by an EXIF orientation (1 to 8) so that it shows as the
// camera meant it. Returns 0 or an error code; values outside 2..8 do nothing.
uint32_t ApplyOrientation(PixelImage& image, int orientation);
