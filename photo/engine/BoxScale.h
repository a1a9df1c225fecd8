// How a picture is fitted to the size limits of the document. Free of
// windows.h.
#pragma once

#include <cstdint>

// A resize request for the image library: -1 in one side keeps the aspect
// ratio. Both 0 when no resize is wanted.
struct ResizeRequest {
    int width;
    int height;
};

// The resize for a picture of width x height under the limits (0 = none):
// enlarge = 1 fits it into the box, growing or shrinking; enlarge = 0 only
// shrinks it into the box. With a single limit both set that side.
ResizeRequest BoxResize(int width, int height, int limitW, int limitH, int enlarge);

// Copies of the picture one open document holds at once: source, working,
// display and composite, the four text layers and the overlay, and the next
// working and display a rebuild makes beside the ones shown.
const int kPictureCopies = 11;

// The most pixels a loaded picture may have so that one open document fits
// into `addressSpace` bytes of user address space at 3 bytes a pixel and copy;
// half the space is left to the code, the heap and the fragmentation of a long
// session. Never above `hardLimit`.
int64_t PicturePixelLimit(uint64_t addressSpace, int64_t hardLimit);
