// How a picture is fitted to the size limits of the document. Free of
// windows.h.
#pragma once

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
