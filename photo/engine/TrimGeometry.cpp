#include "engine/TrimGeometry.h"

#include <algorithm>

namespace {

// The span [from, to) of one axis ordered and clipped to [0, extent); an empty
// span has length 0. Computed in 64 bits so no position can overflow.
void ClipSpan(int from, int to, int extent, int* start, int* length) {
    long long low = std::min(from, to);
    long long high = std::max(from, to);
    low = std::max(low, 0LL);
    high = std::min(high, static_cast<long long>(std::max(extent, 0)));
    if (high <= low) {
        *start = static_cast<int>(std::min(low, static_cast<long long>(std::max(extent, 0))));
        *length = 0;
        return;
    }
    *start = static_cast<int>(low);
    *length = static_cast<int>(high - low);
}

}  // namespace

TrimVerdict JudgeTrim(int anchorX, int anchorY, int x, int y, int pictureWidth, int pictureHeight, TrimRect* rect) {
    TrimRect clipped = {};
    ClipSpan(anchorX, x, pictureWidth, &clipped.x, &clipped.width);
    ClipSpan(anchorY, y, pictureHeight, &clipped.y, &clipped.height);
    if (rect) {
        *rect = clipped;
    }
    bool narrow = clipped.width < kMinTrimSide;
    bool shortSide = clipped.height < kMinTrimSide;
    if (narrow && shortSide) {
        return TrimVerdict::TooSmall;
    }
    if (narrow) {
        return TrimVerdict::TooNarrow;
    }
    if (shortSide) {
        return TrimVerdict::TooShort;
    }
    return TrimVerdict::Accepted;
}
