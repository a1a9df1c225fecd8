// The rectangle a trimming drag in the view selects, and whether it is big
// enough to keep. Pure arithmetic on client (= picture) pixels.
#pragma once

struct TrimRect {
    int x;
    int y;
    int width;
    int height;
};

enum class TrimVerdict {
    Accepted,   // at least 4 x 4 pixels of the picture
    TooSmall,   // both sides 3 pixels or less
    TooNarrow,  // only the width
    TooShort,   // only the height
};

// Sides of 3 pixels or less are refused.
constexpr int kMinTrimSide = 4;

// Orders the corners of a drag from (anchorX, anchorY) to (x, y) so that the
// rectangle starts at the smaller of each pair and ends before the larger, then
// clips it to the picture (0, 0, pictureWidth, pictureHeight): a captured drag
// may end outside the window, and the crop must never reach outside the
// picture. A rectangle clipped to nothing is judged like any too-small one.
// `rect` receives the clipped rectangle in every case.
TrimVerdict JudgeTrim(int anchorX, int anchorY, int x, int y, int pictureWidth, int pictureHeight, TrimRect* rect);
